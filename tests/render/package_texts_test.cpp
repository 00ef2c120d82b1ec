#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "base/utf.h"
#include "render/package_texts.h"

namespace {

RenderPlan planFor(int64_t a, int64_t b, int64_t o, float gain)
{
    RenderPlan plan;
    plan.startSample = a;
    plan.endSample = b;
    plan.outroSample = o;
    plan.gain = gain;
    return plan;
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

constexpr const char* kExample180s =
    "{\n"
    "  \"app\": \"Tamrel Orvane 2.0.0\",\n"
    "  \"analysisEngine\": \"Beat This transformer / ONNX CPU\",\n"
    "  \"source\": \"cancion.mp3\",\n"
    "  \"sampleRate\": 48000,\n"
    "  \"channels\": 2,\n"
    "  \"pcmBits\": 24,\n"
    "  \"startSec\": 12.5,\n"
    "  \"endSec\": 27.5,\n"
    "  \"outroSec\": 171.25,\n"
    "  \"startSample\": 600000,\n"
    "  \"endSample\": 1320000,\n"
    "  \"outroSample\": 8220000,\n"
    "  \"crossfadeMs\": 60,\n"
    "  \"repetitions\": 2,\n"
    "  \"gain\": 1,\n"
    "  \"montageFrames\": 2460000,\n"
    "  \"audition\": \"Revisar de oido armonia, ritmo y palabras en los cortes.\"\n"
    "}\n";

} // namespace

TEST(CutSettingsJson, MatchesTheReferenceFileByteForByte)
{
    const std::string json = cutSettingsJson("musica/cancion.mp3", cutRecord(12.5, 27.5, 171.25),
                                             planFor(600000, 1320000, 8220000, 1.0f), 0.06, 2, 2460000,
                                             BeatModelKind::Trained);
    EXPECT_EQ(json, kExample180s);
}

// The stand-in's analyses, fresh or cached, do not claim the trained family.
TEST(CutSettingsJson, NamesTheFamilyOfTheModelThatAnalysed)
{
    const std::string json = cutSettingsJson("cancion.mp3", cutRecord(12.5, 27.5, 171.25),
                                             planFor(600000, 1320000, 8220000, 1.0f), 0.06, 2, 2460000,
                                             BeatModelKind::StandIn);
    EXPECT_NE(json.find("  \"analysisEngine\": \"Stand-in tempo tracker / ONNX CPU\",\n"), std::string::npos)
        << json;
}

TEST(CutSettingsJson, IgnoresTheUsersNumberFormat)
{
    const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string json = cutSettingsJson("cancion.mp3", cutRecord(12.5, 27.5, 171.25),
                                             planFor(600000, 1320000, 8220000, 1.0f), 0.06, 2, 2460000,
                                             BeatModelKind::Trained);
    std::locale::global(saved);
    EXPECT_EQ(json, kExample180s);
}

TEST(CutSettingsJson, SecondsAsStoredAndDoublesToTwelveDigits)
{
    // The seconds are the record's own values, not frames / 48000; the float
    // gain is widened before printing.
    const std::string json = cutSettingsJson("x.wav", cutRecord(1.0 / 3.0, 2.00001, 3.5),
                                             planFor(16000, 96000, 168000, 0.816666663f), 0.035, 100, 123, BeatModelKind::Trained);
    EXPECT_NE(json.find("  \"startSec\": 0.333333333333,\n"), std::string::npos) << json;
    EXPECT_NE(json.find("  \"endSec\": 2.00001,\n"), std::string::npos) << json;
    EXPECT_NE(json.find("  \"crossfadeMs\": 35,\n"), std::string::npos) << json;
    EXPECT_NE(json.find("  \"repetitions\": 100,\n"), std::string::npos) << json;
    EXPECT_NE(json.find("  \"gain\": 0.816666662693,\n"), std::string::npos) << json;
}

TEST(CutSettingsJson, EscapesTheSourceFileName)
{
    const struct {
        const char* name;
        const char* escaped;
    } cases[] = {
        {"say \"hi\".mp3", "say \\\"hi\\\".mp3"},
        {"tab\there.mp3", "tab here.mp3"},
        {"line\nbreak\x1f.mp3", "line break .mp3"},
        {"back\\slash.mp3", "back\\\\slash.mp3"},
        {"canci\xC3\xB3n \xE2\x99\xAA.flac", "canci\xC3\xB3n \xE2\x99\xAA.flac"},  // UTF-8 copied as is
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapeFileName(c.name), c.escaped) << c.name;

    // Only the last component of the path is named, and it is escaped.
    const std::filesystem::path song = std::filesystem::path("carpeta") / pathFromUtf8("a\"b\tc.mp3");
    const std::string json =
        cutSettingsJson(song, cutRecord(1, 2, 3), planFor(1, 2, 3, 1.0f), 0.06, 1, 1, BeatModelKind::Trained);
    EXPECT_NE(json.find("  \"source\": \"a\\\"b c.mp3\",\n"), std::string::npos) << json;
}

TEST(ReadMe, ElevenAsciiLinesWithCarriageReturns)
{
    const std::string text = readMeText();
    EXPECT_EQ(text.rfind("Tamrel Orvane 2.0.0\r\n\r\nColoca en una pista: INICIO -> LOOP x N -> FINAL (N >= 1).\r\n", 0),
              0u);
    const std::string last = "El original se conserva. cortes.json permite consultar o reproducir el ajuste.\r\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    size_t crlf = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80u);
        if (text[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(text[i - 1], '\r');
            ++crlf;
        }
    }
    EXPECT_EQ(crlf, 11u);
    EXPECT_NE(text.find("\r\n05-escuchar-uniones.wav presenta inicio->loop, loop->loop y loop->final en tres extractos "
                        "consecutivos. Los saltos entre extractos son separaciones de la muestra.\r\n"),
              std::string::npos);
}
