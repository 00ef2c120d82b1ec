// The window's controls by id, and their texts.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "ui/win32/window_state.h"

HWND control(const Widgets& widgets, int id);
std::wstring windowText(HWND window);
std::u16string fieldText(const Widgets& widgets, int id);
void setFieldText(const Widgets& widgets, int id, const std::wstring& text);
void setStatus(const Widgets& widgets, const std::wstring& text);

std::wstring toWide(std::u16string_view text);
std::wstring toWide(std::string_view utf8);
// x with the given decimals, as the window shows numbers.
std::wstring fixedText(double x, int decimals);
