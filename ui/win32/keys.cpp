#include "ui/win32/keys.h"

#include <cwchar>

#include "ui/win32/commands.h"

namespace {

bool focusInField()
{
    wchar_t name[16] = {};
    HWND focus = GetFocus();
    return focus && GetClassNameW(focus, name, 16) > 0 && _wcsicmp(name, L"Edit") == 0;
}

void markCut(WindowState& s, CutField field)
{
    placeCutAt(s, field, s.doc.view.playhead);
}

} // namespace

bool keyboardHook(WindowState& s, const MSG& message)
{
    if (message.message != WM_KEYDOWN || !s.widgets.main)
        return false;
    const bool inField = focusInField();
    if (GetKeyState(VK_CONTROL) < 0) {
        if (message.wParam == 'O') {
            runCommand(s, kIdOpenAudio);
            return true;
        }
        if (message.wParam == 'S') {
            runCommand(s, kIdSaveSession);
            return true;
        }
    }
    if (inField)
        return false;
    switch (message.wParam) {
    case VK_ESCAPE:
        stopPlaybackAndRefresh(s);
        return true;
    case VK_SPACE:
        runCommand(s, kIdPlay);
        return true;
    case VK_HOME:
        seekTo(s, 0.0);
        return true;
    case VK_LEFT:
        runCommand(s, kIdBeatBack);
        return true;
    case VK_RIGHT:
        runCommand(s, kIdBeatForward);
        return true;
    case 'A':
        markCut(s, CutField::Start);
        return true;
    case 'B':
        markCut(s, CutField::End);
        return true;
    case 'O':
        markCut(s, CutField::Outro);
        return true;
    default:
        return false;
    }
}
