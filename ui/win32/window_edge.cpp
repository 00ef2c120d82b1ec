#include "ui/win32/window_edge.h"

#include "app/jobs.h"
#include "ui/win32/widgets.h"

void reportUnexpected(WindowState& s)
{
    const std::wstring text = toWide(std::string_view(kUnexpectedErrorMessage));
    setStatus(s.widgets, text);
    if (s.seams.messageBox)
        s.seams.messageBox(s.widgets.main, text, MB_ICONINFORMATION);
}
