// The private-profile format kept byte-compatible with the Windows functions,
// so a settings or session file moves between systems unchanged.
#include "platform/ini_file.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <vector>

#include "base/utf.h"

namespace platform {
namespace {

// INI files of this program are a few hundred bytes; anything far larger is not ours.
constexpr uintmax_t kMaxFileBytes = 16u << 20;

struct IniText {
    std::vector<std::u16string> lines;
    bool utf16 = true;        // UTF-16LE with a byte-order mark, else UTF-8
};

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trim(std::u16string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool sameName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// The section named on a "[name]" line, or nothing for any other line.
std::optional<std::u16string_view> sectionName(std::u16string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != u'[') return std::nullopt;
    line.remove_prefix(1);
    const size_t close = line.find(u']');
    return trim(line.substr(0, close));
}

struct KeyLine { std::u16string_view name, value; };

std::optional<KeyLine> keyLine(std::u16string_view line)
{
    const size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return std::nullopt;
    return KeyLine{trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
}

std::u16string decodeText(std::string_view bytes, bool& utf16)
{
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
        utf16 = true;
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
        return text;
    }
    utf16 = false;
    std::string_view body = bytes;
    if (body.size() >= 3 && body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    return utf8ToUtf16(body);
}

// The file's lines, or nothing when it cannot be read; a missing or empty file has none.
std::optional<IniText> loadIni(const std::filesystem::path& file)
{
    IniText ini;
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return error ? std::nullopt : std::optional<IniText>(ini);
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    // Exactly the file's bytes, without a terminator to read by mistake.
    std::vector<char> bytes(static_cast<size_t>(size));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    if (bytes.empty()) return ini;
    const std::u16string text = decodeText(std::string_view(bytes.data(), bytes.size()), ini.utf16);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        ini.lines.emplace_back(text.substr(start, end - start));
        if (end == text.size()) break;
        end += (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1;
        start = end;
    }
    return ini;
}

bool saveIni(const std::filesystem::path& file, const IniText& ini)
{
    std::u16string text;
    for (const std::u16string& line : ini.lines) text += line + u"\r\n";
    std::string bytes;
    if (ini.utf16) {
        bytes = "\xFF\xFE";
        for (char16_t c : text) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
    } else {
        bytes = utf16ToUtf8(text);
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::u16string readIniString(const std::filesystem::path& file, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback)
{
    const std::optional<IniText> ini = loadIni(file);
    if (!ini) return std::u16string(fallback);
    bool inSection = false;
    for (const std::u16string& line : ini->lines) {
        if (const auto name = sectionName(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        const auto entry = inSection ? keyLine(line) : std::nullopt;
        if (!entry || !sameName(entry->name, key)) continue;
        std::u16string_view value = entry->value;
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::u16string(value.substr(0, kIniValueLimit));
    }
    return std::u16string(fallback);
}

bool writeIniString(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value)
{
    std::optional<IniText> ini = loadIni(file);
    if (!ini) return false;
    std::vector<std::u16string>& lines = ini->lines;
    const std::u16string newLine = std::u16string(key) + u"=" + std::u16string(value);

    size_t index = 0;
    while (index < lines.size() && !(sectionName(lines[index]) && sameName(*sectionName(lines[index]), section)))
        ++index;
    if (index == lines.size()) {
        std::u16string header(1, u'[');
        header.append(section).push_back(u']');
        lines.push_back(std::move(header));
        lines.push_back(newLine);
        return saveIni(file, *ini);
    }
    size_t insertAt = index + 1;  // after the section's last key line
    for (size_t i = index + 1; i < lines.size() && !sectionName(lines[i]); ++i) {
        const auto entry = keyLine(lines[i]);
        if (entry && sameName(entry->name, key)) {
            lines[i] = std::u16string(entry->name) + u"=" + std::u16string(value);
            return saveIni(file, *ini);
        }
        if (!trim(lines[i]).empty()) insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    return saveIni(file, *ini);
}

} // namespace platform
