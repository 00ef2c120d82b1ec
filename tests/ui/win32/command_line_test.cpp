// The program given a song on its command line opens it.
#include <gtest/gtest.h>

#include "app/interactive_mode.h"
#include "app/settings.h"
#include "support/fixtures.h"
#include "ui/win32/main_window.h"

namespace {

std::wstring seenStatus;
std::wstring seenSong;

// Watches the running window from its own message loop and closes it once
// the song has been adopted.
void CALLBACK watch(HWND, UINT, UINT_PTR timer, DWORD)
{
    const WindowState& s = ui();
    if (!s.main || s.doc.view.busy || s.doc.song.audio.empty())
        return;
    seenStatus = windowText(s.statusLabel);
    seenSong = windowText(s.songLabel);
    KillTimer(nullptr, timer);
    PostMessageW(s.main, WM_CLOSE, 0, 0);
}

} // namespace

TEST(CommandLine, TheSongGivenIsOpenedAtStart)
{
    Running running;
    loadSettings(running.folders);
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, watch);
    const std::filesystem::path song = fixtureDir() / "demo.wav";
    EXPECT_EQ(runInteractive({"TamrelOrvane.exe", song}, running), 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(seenSong, L"demo.wav");
    EXPECT_EQ(seenStatus, L"Listo. Explora las conexiones o escucha el loop antes de exportar.");
    EXPECT_FALSE(std::filesystem::exists(running.folders.workFolder));
}
