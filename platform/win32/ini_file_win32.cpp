#include "platform/ini_file.h"

#include <windows.h>

namespace platform {
namespace {

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

} // namespace

std::u16string readIniString(const std::filesystem::path& file, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback)
{
    const std::u16string sectionText(section), keyText(key), fallbackText(fallback);
    std::u16string buffer(kIniValueLimit + 1, u'\0');
    const DWORD length = GetPrivateProfileStringW(wide(sectionText), wide(keyText), wide(fallbackText),
                                                  reinterpret_cast<wchar_t*>(buffer.data()),
                                                  static_cast<DWORD>(buffer.size()), file.c_str());
    buffer.resize(length);
    return buffer;
}

bool writeIniString(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value)
{
    const std::u16string sectionText(section), keyText(key), valueText(value);
    return WritePrivateProfileStringW(wide(sectionText), wide(keyText), wide(valueText), file.c_str()) != 0;
}

} // namespace platform
