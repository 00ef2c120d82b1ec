// Pictures of the window for a person to look at: no song, a song loaded,
// and playing in INFINITO. Written only when TAMREL_SCREENSHOT_DIR names a
// folder, as the window test script does.
#include <cstdlib>

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

TEST_F(WindowTest, ScreenshotsOfThreeStates)
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

    ui().view.playhead = 31.0;
    command(kIdExplore);
    command(kIdPlay);
    ASSERT_TRUE(player().state.playing.load());
    pumpUntil([] { return false; }, 800);
    savePng(window, out / "3-reproduciendo-infinito.png");
    command(kIdStop);
}
