// The real main window, opened in the test process and driven through its
// messages. Dialogs, message boxes and the shell are replaced by recorders.
#pragma once
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/running.h"
#include "app/settings.h"
#include "playback/virtual_device.h"
#include "support/fixtures.h"
#include "ui/win32/commands.h"
#include "ui/win32/controls.h"
#include "ui/win32/keys.h"
#include "ui/win32/main_window.h"
#include "window_lookup.h"

// A child's rectangle in the main window's client coordinates.
inline RECT childRect(HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, ui().widgets.main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class WindowTest : public testing::Test {
protected:
    Running running;
    std::vector<std::wstring> boxes;   // every message box's text
    std::vector<std::wstring> opened;  // every target handed to the shell
    std::filesystem::path nextFile;    // what the file dialog answers
    std::filesystem::path scratch;
    std::unique_ptr<WindowState> shown;  // the window's state, until closeAndEnd
    HWND window = nullptr;
    bool ended = false;
    // The window's clock in milliseconds: it moves only when a test moves it.
    uint64_t clockMs = 1000000;

    void SetUp() override
    {
        loadSettings(running.folders);
        scratch = running.folders.workFolder.parent_path() /
                  ("ui-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()));
        std::filesystem::create_directories(scratch / "out");
        running.folders.outputFolder = scratch / "out";
        // A sound output that plays two seconds and then holds, so a started
        // playback stays playing while the test looks at it.
        running.player.makeOutput = [] {
            auto device = std::make_shared<VirtualDevice>();
            device->stallAt.store(2 * 48000);
            return virtualOutput(device);
        };
        Seams seams;
        seams.messageBox = [this](HWND, const std::wstring& text, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        seams.shellOpen = [this](HWND, const std::wstring& target) { opened.push_back(target); };
        seams.fileDialog = [this](HWND, DialogKind) { return nextFile; };
        seams.folderPicker = [this](HWND) { return scratch / "picked"; };
        seams.milliseconds = [this] { return clockMs; };
        // A laptop's taskbar on Wine's bare virtual screen: the work area
        // loses the given pixels at the bottom before the window reads it.
        if (const char* taskbar = std::getenv("TAMREL_TASKBAR_PIXELS")) {
            RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - std::atoi(taskbar)};
            SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);
        }
        shown = startWindow(running, seams, SW_SHOW);
        window = shown->widgets.main;
    }

    void TearDown() override
    {
        if (!ended)
            closeAndEnd();
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    // Closes the window (waiting for a running job) and runs the shutdown.
    void closeAndEnd()
    {
        if (IsWindow(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            pumpUntil([this] { return !IsWindow(window); }, 120000);
        }
        pump();
        endWindow(std::move(shown), running);
        ended = true;
    }

    // Dispatches what is waiting as the program's message loop does, for at
    // most a moment: during playback the timer and the paints never run dry.
    void pump()
    {
        if (!shown)
            return;
        MSG message;
        const ULONGLONG until = GetTickCount64() + 100;
        while (GetTickCount64() < until && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message != WM_QUIT)
                dispatchWindowMessage(*shown, message);
        }
    }

    bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 180000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        pump();
        return true;
    }

    static std::filesystem::path demoSong() { return fixtureDir() / "demo.mp3"; }

    // A real HDROP holding one wide file name, as the shell hands it over.
    static HDROP makeDrop(const std::filesystem::path& file)
    {
        const std::wstring name = file.wstring();
        const size_t bytes = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GHND, bytes);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
        std::copy(name.begin(), name.end(), names);
        GlobalUnlock(memory);
        return static_cast<HDROP>(memory);
    }

    void drop(const std::filesystem::path& file)
    {
        SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(file)), 0);
    }

    bool loadDemo()
    {
        drop(demoSong());
        return pumpUntil([] { return !ui().doc.view.busy; });
    }

    void command(int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    void key(WPARAM virtualKey)
    {
        SetFocus(window);
        PostMessageW(window, WM_KEYDOWN, virtualKey, 0);
        pump();
    }

    static RECT workArea()
    {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    }

    static std::wstring text(int id) { return windowText(control(id)); }
    static std::wstring status() { return windowText(ui().widgets.statusLabel); }
    static void type(int id, const wchar_t* value) { SetWindowTextW(control(id), value); }
    static LRESULT selection() { return SendMessageW(control(kIdList), LB_GETCURSEL, 0, 0); }
};
