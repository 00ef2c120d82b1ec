// The console program's progress bar as a Windows console shows it: tamrel.exe
// runs in a console of its own, as when started from cmd, and this test reads
// that console's screen while the batch runs and once it has ended.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/utf.h"
#include "support/fixtures.h"
#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;

constexpr DWORD kPollMs = 5;
constexpr DWORD kLongestRunMs = 20 * 60 * 1000;

// The demo song under a name with an accent, made unique by a stamp in its
// samples so that no earlier run has its analysis cached and every stage of
// the analysis is drawn.
fs::path uniqueSong(const fs::path& folder)
{
    std::ifstream demo(fixtureDir() / "demo.wav", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(demo)), std::istreambuf_iterator<char>());
    const uint64_t stamp = GetTickCount64() * 1000003u + GetCurrentProcessId();
    for (size_t i = 0; i < sizeof stamp; ++i)
        bytes[bytes.size() / 2 / 4 * 4 + i] = static_cast<char>(stamp >> (8 * i));
    const fs::path song = folder / fs::path(L"canci\u00f3n.wav");
    std::ofstream(song, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return song;
}

std::wstring quoted(const fs::path& path)
{
    return L"\"" + path.wstring() + L"\"";
}

std::wstring screenRow(HANDLE screen, SHORT row, SHORT width)
{
    std::wstring text(static_cast<size_t>(width), L' ');
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(width), COORD{0, row}, &read))
        return {};
    text.resize(read);
    return text;
}

std::string utf8Of(const std::wstring& text)
{
    return utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring trimmedRight(std::wstring text)
{
    text.erase(text.find_last_not_of(L' ') + 1);
    return text;
}

// A running program with a console of its own, which this process shares
// for reading its screen.
struct ConsoleRun {
    PROCESS_INFORMATION process{};
    HANDLE screen = INVALID_HANDLE_VALUE;
};

bool startInNewConsole(ConsoleRun& run, const std::wstring& commandLine, const fs::path& folder)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        folder.c_str(), &startup, &run.process))
        return false;
    // Shares the child's console once it exists; the child may have ended by
    // then only if it failed at once.
    FreeConsole();
    while (!AttachConsole(run.process.dwProcessId)) {
        if (WaitForSingleObject(run.process.hProcess, kPollMs) != WAIT_TIMEOUT)
            return false;
    }
    run.screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    return run.screen != INVALID_HANDLE_VALUE;
}

void finish(ConsoleRun& run)
{
    if (run.screen != INVALID_HANDLE_VALUE)
        CloseHandle(run.screen);
    FreeConsole();
    if (run.process.hProcess) {
        TerminateProcess(run.process.hProcess, 1);
        WaitForSingleObject(run.process.hProcess, 10000);
        CloseHandle(run.process.hProcess);
        CloseHandle(run.process.hThread);
    }
}

TEST(ConsoleBar, IsRedrawnInPlaceInARealConsoleAndLeavesOnlyTheResult)
{
    TempFolder folder{"console-bar"};
    const fs::path song = uniqueSong(folder.path);
    ConsoleRun run;
    const bool started =
        startInNewConsole(run, quoted(fs::path(TAMREL_CONSOLE_PROGRAM).make_preferred()) + L" analizar " + quoted(song), folder.path);
    if (!started) {
        finish(run);
        FAIL() << "the console program did not start in a console of its own";
    }
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(run.screen, &info));
    const SHORT bufferWidth = info.dwSize.X;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;

    // Every frame on the cursor's row while the batch runs, for as long as it runs.
    std::set<std::wstring> frames;
    DWORD waited = 0;
    while (WaitForSingleObject(run.process.hProcess, kPollMs) == WAIT_TIMEOUT && waited < kLongestRunMs) {
        waited += kPollMs;
        CONSOLE_SCREEN_BUFFER_INFO now{};
        if (!GetConsoleScreenBufferInfo(run.screen, &now))
            continue;
        const std::wstring row = screenRow(run.screen, now.dwCursorPosition.Y, bufferWidth);
        if (row.rfind(L"[", 0) == 0)
            frames.insert(row);
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(run.process.hProcess, &exitCode);
    CONSOLE_SCREEN_BUFFER_INFO end{};
    GetConsoleScreenBufferInfo(run.screen, &end);
    std::vector<std::wstring> screen;
    for (SHORT row = 0; row <= end.dwCursorPosition.Y; ++row)
        screen.push_back(screenRow(run.screen, row, bufferWidth));
    finish(run);

    EXPECT_EQ(exitCode, 0u);
    ASSERT_FALSE(frames.empty()) << "no bar was drawn on the console";
    // Bar, percentage, songs done, the song's name (accent intact), its stage
    // and an estimate, filling the window's width but one column, so that
    // the console never wraps it.
    const std::wregex frameShape(L"\\[[#-]{20}\\] +[0-9]+%  [01]/1  canci\u00f3n\\.wav \u00b7 .+ \u00b7 "
                                 L"(calculando|quedan [0-9]+:[0-9]{2}) *");
    std::wstring named;
    for (const std::wstring& frame : frames) {
        const std::wstring drawn = trimmedRight(frame);
        EXPECT_LE(static_cast<int>(drawn.size()), columns - 1) << utf8Of(drawn);
        // One with an estimate, if any, is the one shown.
        if (std::regex_match(drawn, frameShape) && (named.empty() || drawn.find(L"quedan") != std::wstring::npos))
            named = drawn;
    }
    EXPECT_FALSE(named.empty()) << "no frame names the song, its stage and the time left; first frame: "
                                    << utf8Of(*frames.begin());
    std::printf("frame: %s\n", utf8Of(named).c_str());
    // What stays on the screen is the result alone: its line starts at the
    // left edge, and no bar is left behind.
    ASSERT_FALSE(screen.empty());
    bool resultShown = false;
    for (const std::wstring& row : screen) {
        EXPECT_NE(row.rfind(L"[", 0), 0u) << "a bar was left on the screen";
        resultShown = resultShown || row.rfind(L"{\"path\":", 0) == 0;
    }
    EXPECT_TRUE(resultShown) << "the result line does not start a row of the screen";
    EXPECT_EQ(trimmedRight(screen.back()), L"") << "the cursor's row is not left clean";
}

} // namespace
