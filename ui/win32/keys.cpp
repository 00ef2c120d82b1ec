// The keyboard hook: the message loop shows it every message first.
#include <cwchar>

#include "ui/win32/commands.h"
#include "ui/win32/main_window.h"

namespace {

bool focusInField()
{
    wchar_t name[16] = {};
    HWND focus = GetFocus();
    return focus && GetClassNameW(focus, name, 16) > 0 && _wcsicmp(name, L"Edit") == 0;
}

void markCut(CutField field)
{
    placeCutAt(field, ui().doc.view.playhead);
}

} // namespace

bool keyboardHook(const MSG& message)
{
    if (message.message != WM_KEYDOWN || !ui().main)
        return false;
    const bool inField = focusInField();
    if (GetKeyState(VK_CONTROL) < 0) {
        if (message.wParam == 'O') {
            runCommand(kIdOpenAudio);
            return true;
        }
        if (message.wParam == 'S') {
            runCommand(kIdSaveSession);
            return true;
        }
    }
    if (inField)
        return false;
    switch (message.wParam) {
    case VK_ESCAPE:
        stopPlaybackAndRefresh();
        return true;
    case VK_SPACE:
        runCommand(kIdPlay);
        return true;
    case VK_HOME:
        seekTo(0.0);
        return true;
    case VK_LEFT:
        runCommand(kIdBeatBack);
        return true;
    case VK_RIGHT:
        runCommand(kIdBeatForward);
        return true;
    case 'A':
        markCut(CutField::Start);
        return true;
    case 'B':
        markCut(CutField::End);
        return true;
    case 'O':
        markCut(CutField::Outro);
        return true;
    default:
        return false;
    }
}
