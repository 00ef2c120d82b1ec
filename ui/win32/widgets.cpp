#include "ui/win32/widgets.h"

#include "base/number_format.h"
#include "base/utf.h"

HWND control(const Widgets& widgets, int id)
{
    return widgets.main ? GetDlgItem(widgets.main, id) : nullptr;
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::u16string fieldText(const Widgets& widgets, int id)
{
    const std::wstring text = windowText(control(widgets, id));
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

void setFieldText(const Widgets& widgets, int id, const std::wstring& text)
{
    SetWindowTextW(control(widgets, id), text.c_str());
}

void setStatus(const Widgets& widgets, const std::wstring& text)
{
    SetWindowTextW(widgets.statusLabel, text.c_str());
}

std::wstring toWide(std::u16string_view text)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

std::wstring toWide(std::string_view utf8)
{
    return toWide(utf8ToUtf16(utf8));
}

std::wstring fixedText(double x, int decimals)
{
    return toWide(formatFixed(x, decimals));
}
