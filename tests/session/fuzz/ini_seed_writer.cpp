// Writes the INI fuzzer's first corpus: a session as the program saves it,
// and the same session in the shapes users and other programs leave behind.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "session/session_file.h"

namespace {

std::string utf16(std::u16string_view text, bool byteOrderMark = true)
{
    std::string bytes = byteOrderMark ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

void writeSeed(const std::filesystem::path& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream(folder / (name + ".ini"), std::ios::binary).write(bytes.data(),
                                                                   static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    using namespace std::string_literals;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    // The song is named relative to the fuzzer's working folder, where the fuzzer puts it.
    const std::filesystem::path saved = folder / "saved.ini";
    saveSession(saved, CutSettings{cutRecord(8, 40.5, 120), 60, 2}, 48000 * 130, "fuzz-song.mp3",
                std::filesystem::path(u8"M\u00fasica/Tamrel Loops \u6b4c"));
    std::ifstream in(saved, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 100) {
        std::fprintf(stderr, "the saved session was not written\n");
        return 1;
    }

    const std::u16string session = u"[Orvane]\r\nSource=fuzz-song.mp3\r\nOutput=\r\nStart=8.000000000\r\n"
                                   u"End=40.500000000\r\nOutro=120.000000000\r\nFade=60.000\r\nRepeats=2\r\n";
    writeSeed(folder, "odd-byte-count", bytes.substr(0, bytes.size() - 1));
    writeSeed(folder, "no-byte-order-mark", utf16(session, false));
    writeSeed(folder, "utf8", "[Orvane]\nSource=fuzz-song.mp3\nStart=1e-400\nEnd=40,5\nOutro=1e999\nFade=250\n"
                              "Repeats=100\n");
    writeSeed(folder, "utf8-byte-order-mark", "\xEF\xBB\xBF[orvane]\r\nsource = \"fuzz-song.mp3\"\r\nstart= +8\r\n");
    writeSeed(folder, "huge-line", utf16(u"[Orvane]\r\nSource=" + std::u16string(40000, u'x') + u"\r\nStart=" +
                                         std::u16string(5000, u'9') + u"\r\n"));
    writeSeed(folder, "nul-units",
              utf16(u"[Orv\0ane]\r\nSource=fuzz-song.mp3\0\r\nStart=8\0.5\r\n[Orvane]\r\nFade=6\0\r\n"s));
    writeSeed(folder, "lone-surrogates",
              utf16(u"[Orvane]\r\nSource=\xD834" u"a\r\nOutput=\xDD1E\r\nStart=8\xDC00\r\n"));
    writeSeed(folder, "sections", utf16(u"Start=1\r\n[Orvane\r\nEnd=2\r\n[Other]\r\nFade=3\r\n[ ORVANE ]\r\n"
                                        u"Repeats=4\r\n[Orvane]\rStart=5\r\r\nEnd\r\n=6\r\n"));
    writeSeed(folder, "empty", "");
    writeSeed(folder, "byte-order-mark", "\xFF\xFE");
    return 0;
}
