// The program given a song on its command line opens it.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/interactive_mode.h"
#include "app/settings.h"
#include "support/fixtures.h"
#include "ui/win32/main_window.h"
#include "window_lookup.h"

namespace {

std::wstring seenStatus;
std::wstring seenSong;
bool boxSeen = false;
ULONGLONG deadline = 0;

// A real message box would wait for a person: it is answered at once, and
// the test fails on it rather than hanging.
BOOL CALLBACK answerBox(HWND window, LPARAM)
{
    wchar_t name[16] = {};
    if (GetClassNameW(window, name, 16) > 0 && wcscmp(name, L"#32770") == 0) {
        boxSeen = true;
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

// Watches the running window from its own message loop (a message box's
// included) and closes it once the song has been adopted, the load failed,
// or two minutes have passed.
void CALLBACK watch(HWND, UINT, UINT_PTR timer, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), answerBox, 0);
    const WindowState* s = shownWindow();
    if (!s)
        return;
    const bool failed = boxSeen && !s->doc.view.busy;
    if (!failed && GetTickCount64() < deadline && (s->doc.view.busy || s->doc.song.audio.empty()))
        return;
    seenStatus = windowText(s->widgets.statusLabel);
    seenSong = windowText(s->widgets.songLabel);
    KillTimer(nullptr, timer);
    PostMessageW(s->widgets.main, WM_CLOSE, 0, 0);
}

} // namespace

TEST(CommandLine, TheSongGivenIsOpenedAtStart)
{
    Running running;
    loadSettings(running.folders);
    deadline = GetTickCount64() + 120000;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, watch);
    const std::filesystem::path song = fixtureDir() / "demo.wav";
    EXPECT_EQ(runInteractive({"TamrelOrvane.exe", song}, running), 0);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(boxSeen) << "a message box: " << std::string(seenStatus.begin(), seenStatus.end());
    EXPECT_EQ(seenSong, L"demo.wav");
    EXPECT_EQ(seenStatus, L"Listo. Explora las conexiones o escucha el loop antes de exportar.");
    EXPECT_FALSE(std::filesystem::exists(running.folders.workFolder));
}
