// Pictures of the window for a person to look at: no song, a song loaded,
// playing in INFINITO with a jump on the map, and a zoomed timeline while B
// is dragged. Written only when TAMREL_SCREENSHOT_DIR names a folder, as the
// window test script does.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "ui/win32/drawing.h"
#include "window_fixture.h"

namespace {

void savePng(HWND window, const std::filesystem::path& file)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client{};
    GetClientRect(window, &client);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    using namespace Gdiplus::DllExports;
    Gdiplus::GpBitmap* image = nullptr;
    GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
    // The PNG encoder of GDI+.
    const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    EXPECT_EQ(GdipSaveImageToFile(image, file.wstring().c_str(), &png, nullptr), Gdiplus::Ok) << file;
    GdipDisposeImage(image);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
}

} // namespace

TEST_F(WindowTest, ScreenshotsOfFourStates)
{
    const char* folder = std::getenv("TAMREL_SCREENSHOT_DIR");
    if (!folder || !*folder)
        GTEST_SKIP() << "TAMREL_SCREENSHOT_DIR is not set";
    const std::filesystem::path out(folder);
    std::filesystem::create_directories(out);
    SetForegroundWindow(window);
    pumpUntil([] { return false; }, 300);
    savePng(window, out / "1-sin-cancion.png");

    ASSERT_TRUE(loadDemo());
    pumpUntil([] { return false; }, 300);
    savePng(window, out / "2-cancion-cargada.png");

    ui().doc.view.playhead = 31.0;
    command(kIdExplore);
    command(kIdPlay);
    ASSERT_TRUE(player().state.playing.load());
    pumpUntil([] { return false; }, 800);
    // A jump the walk could take from the playing beat, as the timer marks it.
    const Analysis& analysis = ui().doc.song.analysis;
    ASSERT_FALSE(analysis.connections.empty());
    const Connection& jump = analysis.connections[analysis.connections.size() / 2];
    ui().hoveredBeat = jump.from;
    ui().jumpFrom = jump.from;
    ui().jumpTo = jump.to;
    ui().jumpTick = GetTickCount64();
    savePng(window, out / "3-reproduciendo-infinito.png");
    command(kIdStop);
    ui().hoveredBeat = -1;

    for (int i = 0; i < 3; ++i)
        command(kIdZoomIn);
    ui().viewStart = std::max(0.0, std::stod(windowText(control(kIdFieldB))) - ui().visibleSpan / 3);
    RECT client{};
    GetClientRect(ui().timeline, &client);
    auto xOf = [&](double t) {
        const double plot = client.right / dpiScale - 20;
        return static_cast<short>(((t - ui().viewStart) / ui().visibleSpan * plot + 10) * dpiScale);
    };
    const double b = std::stod(windowText(control(kIdFieldB)));
    SendMessageW(ui().timeline, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(xOf(b), 80));
    SendMessageW(ui().timeline, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(xOf(b + 1.3), 80));
    EXPECT_TRUE(ui().dragging);
    savePng(window, out / "4-arrastrando-b.png");
    SendMessageW(ui().timeline, WM_LBUTTONUP, 0, MAKELPARAM(xOf(b + 1.3), 80));
}
