// Pictures of the window for a person to look at: no song, a song loaded,
// playing in INFINITO with a jump on the map, and a zoomed timeline while B
// is dragged. Written only when TAMREL_SCREENSHOT_DIR names a folder, as the
// window test script does.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "screenshot.h"
#include "ui/win32/drawing.h"
#include "window_fixture.h"

namespace {

// The folder TAMREL_SCREENSHOT_DIR names, made when missing; empty when unset.
std::filesystem::path screenshotFolder()
{
    const char* folder = std::getenv("TAMREL_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return {};
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace

TEST_F(WindowTest, ScreenshotsOfFourStates)
{
    const std::filesystem::path out = screenshotFolder();
    if (out.empty())
        GTEST_SKIP() << "TAMREL_SCREENSHOT_DIR is not set";
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
    ui().map.hoveredBeat = jump.from;
    ui().map.jumpFrom = jump.from;
    ui().map.jumpTo = jump.to;
    ui().map.jumpTick = clockMs;
    savePng(window, out / "3-reproduciendo-infinito.png");
    command(kIdStop);
    ui().map.hoveredBeat = -1;

    for (int i = 0; i < 3; ++i)
        command(kIdZoomIn);
    ui().timeline.viewStart = std::max(0.0, std::stod(windowText(control(kIdFieldB))) - ui().timeline.visibleSpan / 3);
    RECT client{};
    GetClientRect(ui().widgets.timeline, &client);
    auto xOf = [&](double t) {
        const double plot = client.right / ui().scale - 20;
        return static_cast<short>(((t - ui().timeline.viewStart) / ui().timeline.visibleSpan * plot + 10) * ui().scale);
    };
    const double b = std::stod(windowText(control(kIdFieldB)));
    SendMessageW(ui().widgets.timeline, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(xOf(b), 80));
    SendMessageW(ui().widgets.timeline, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(xOf(b + 1.3), 80));
    EXPECT_TRUE(ui().timeline.dragging);
    savePng(window, out / "4-arrastrando-b.png");
    SendMessageW(ui().widgets.timeline, WM_LBUTTONUP, 0, MAKELPARAM(xOf(b + 1.3), 80));
}

TEST_F(WindowTest, ScreenshotOfATargetDuration)
{
    const std::filesystem::path out = screenshotFolder();
    if (out.empty())
        GTEST_SKIP() << "TAMREL_SCREENSHOT_DIR is not set";
    SetForegroundWindow(window);
    ASSERT_TRUE(loadDemo());
    SetWindowTextW(control(kIdTarget), L"1:30");
    command(kIdExact);
    ASSERT_TRUE(ui().doc.entry.exact);
    SetFocus(control(kIdTarget));
    pumpUntil([] { return false; }, 300);
    savePng(window, out / "5-duracion-objetivo.png");
}
