// The main window: start-up, the message loop, and what the window does on
// its own (layout, enable rules, job results, the playback timer).
#pragma once
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "analysis/analysis_model.h"
#include "app/running.h"
#include "ui/win32/window_state.h"

inline constexpr const wchar_t* kProgramTitle = L"Tamrel Orvane";

// Common controls, GDI+, the three classes and the main window, shown.
// Throws "No se pudo crear la ventana." when the window cannot be made.
HWND startWindow(Running& running, Seams seams, int showCommand);
// What the message loop does with one message: the keyboard hook, dialog
// navigation between the controls, then the window procedures.
void dispatchWindowMessage(MSG& message);
// Runs until the window is gone; returns when GetMessageW ends.
void runMessageLoop();
// After the message loop: the common shutdown, then GDI+.
void endWindow(Running& running);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT handleMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window's edge: nothing a message does may leave a window procedure as
// an exception, which would end the program; the user sees the unexpected
// error's text instead and the window goes on.
void reportUnexpected();
template <typename Handler>
LRESULT guarded(Handler&& handler)
{
    try {
        return handler();
    } catch (...) {
        try {
            reportUnexpected();
        } catch (...) {
        }
        return 0;
    }
}
void createControls();
// Places every child for a client area of the given pixel size (by default the current one).
void layoutControls();
void layoutControls(int clientWidth, int clientHeight);
void setBusy(bool busy);
void refreshViews();
// Writes the document's fields into their controls and selects its list row.
void showEntry();
// Writes only the repetitions the document chose for a target, so the field
// being typed in keeps its text and caret.
void showRepetitions();
// The cut field a control id stands for.
std::optional<CutField> cutFieldOf(int id);
void setStatus(const std::wstring& text);
void adoptResult(void* payload);
// A job that ended without posting its result is adopted all the same.
void checkLostResult();
void showProgress(void* payload);
void onPlaybackTimer();

// Field texts and the controls by id.
HWND control(int id);
std::wstring windowText(HWND window);
std::u16string fieldText(int id);
void setFieldText(int id, const std::wstring& text);
std::wstring toWide(std::u16string_view text);
std::wstring toWide(const std::string& utf8);
