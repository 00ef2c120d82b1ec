// The window on the screen it is given: inside the work area, every control
// inside the client area, at its first size and at its smallest. The window
// test script runs this on the common laptop screens too, with a taskbar's
// worth of work area taken away, and saves a picture of the whole screen.
#include <cstdlib>
#include <sstream>
#include <string>

#include "screenshot.h"
#include "ui/layout.h"
#include "ui/win32/drawing.h"
#include "window_fixture.h"

namespace {

bool inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string describe(const RECT& r)
{
    std::ostringstream text;
    text << '(' << r.left << ", " << r.top << ") - (" << r.right << ", " << r.bottom << ')';
    return text.str();
}

// Every child lies inside the client area with a size of its own.
void expectEveryControlInside(const std::string& when)
{
    RECT client{};
    GetClientRect(ui().widgets.main, &client);
    const auto& controls = ui().widgets.controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        const RECT r = childRect(controls[i]);
        EXPECT_TRUE(inside(r, client)) << when << ": control " << i << " at " << describe(r) << " in "
                                       << describe(client);
        EXPECT_GT(r.right - r.left, 0) << when << ": control " << i;
        EXPECT_GT(r.bottom - r.top, 0) << when << ": control " << i;
    }
}

void saveScreen(HWND window, const std::string& name)
{
    const char* folder = std::getenv("TAMREL_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return;
    const std::filesystem::path out(folder);
    std::filesystem::create_directories(out);
    std::ostringstream file;
    file << "encaje-" << GetSystemMetrics(SM_CXSCREEN) << 'x' << GetSystemMetrics(SM_CYSCREEN) << '-'
         << GetDpiForSystem() << "dpi-" << name << ".png";
    saveScreenPng(window, out / file.str());
}

} // namespace

TEST_F(WindowTest, FitsTheWorkAreaWithEveryControlInside)
{
    const RECT work = workArea();
    if (const char* taskbar = std::getenv("TAMREL_TASKBAR_PIXELS")) {
        // Otherwise the window would be tested against the whole screen.
        ASSERT_EQ(work.bottom, GetSystemMetrics(SM_CYSCREEN) - std::atoi(taskbar));
    }
    EXPECT_LE(ui().scale, GetDpiForSystem() / 96.0);
    ASSERT_TRUE(loadDemo());
    pumpUntil([] { return false; }, 300);

    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_TRUE(inside(r, work)) << "window " << describe(r) << " in work area " << describe(work);
    MINMAXINFO info{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_LE(info.ptMinTrackSize.x, work.right - work.left);
    EXPECT_LE(info.ptMinTrackSize.y, work.bottom - work.top);
    expectEveryControlInside("first size");
    saveScreen(window, "inicio");

    // Asked to shrink to nothing, the window stops at its minimum tracking
    // size, where the layout still holds.
    SetWindowPos(window, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump();
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, info.ptMinTrackSize.x);
    EXPECT_EQ(r.bottom - r.top, info.ptMinTrackSize.y);
    EXPECT_TRUE(inside(r, work)) << "window " << describe(r) << " in work area " << describe(work);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_GE(toLogical(client.right, ui().scale), kMinLogicalWidth);
    EXPECT_GE(toLogical(client.bottom, ui().scale), kMinLogicalHeight);
    expectEveryControlInside("smallest size");
    saveScreen(window, "minimo");
}
