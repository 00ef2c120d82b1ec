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
    ui().jumpTick = clockMs;
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
