#include <gtest/gtest.h>

#include "cli/batch.h"
#include "cli/progress_display.h"

namespace {

// Terminal cells of the texts these tests use: the kana and ideographs of
// U+3000 to U+9FFF take two, the combining accents of U+0300 to U+036F none,
// everything else one.
size_t cells(const std::string& text)
{
    size_t count = 0;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80)
            continue;
        count += byte >= 0xE3 && byte <= 0xE9 ? 2 : byte == 0xCC || byte == 0xCD ? 0 : 1;
    }
    return count;
}

TEST(ProgressBar, AFrameFillsTheLineAndNamesSongStageAndTimeLeft)
{
    const std::string frame = barFrame(0.30, 2, 6, "canción.mp3", "Analizando", 65.0, 80);
    EXPECT_EQ(frame.rfind("[######--------------]  30%  2/6  canción.mp3 \xC2\xB7 Analizando \xC2\xB7 quedan 1:05", 0),
              0u)
        << frame;
    EXPECT_EQ(cells(frame), 79u);
    EXPECT_EQ(frame.back(), ' ');
    // A name whose accent is a combining mark takes the same cells.
    const std::string decomposed = barFrame(0.30, 2, 6, "cancio\xCC\x81n.mp3", "Analizando", 65.0, 80);
    EXPECT_EQ(cells(decomposed), 79u) << decomposed;

    EXPECT_EQ(barFrame(0.0, 0, 1, "", "", std::nullopt, 60).rfind("[--------------------]   0%  0/1  calculando", 0),
              0u);
    EXPECT_EQ(barFrame(1.0, 3, 3, "x.wav", "", 0.0, 60).rfind("[####################] 100%  3/3  x.wav \xC2\xB7 quedan 0:00", 0),
              0u);
}

TEST(ProgressBar, ANarrowTerminalCutsTheNameNeverInsideACharacter)
{
    // Each of these characters takes two cells of the terminal: a frame
    // counted in characters would overflow the line and wrap.
    const std::string name = "日本の歌のとても長い名前のファイル.wav";
    for (int columns : {20, 40, 50, 61, 62, 70, 100}) {
        const std::string frame = barFrame(0.5, 0, 1, name, "Exportando", 10.0, columns);
        EXPECT_EQ(cells(frame), static_cast<size_t>(columns - 1)) << columns << ": " << frame;
        // Every multi-byte character is whole: a lead byte is followed by all its continuation bytes.
        for (size_t i = 0; i < frame.size();) {
            const auto lead = static_cast<unsigned char>(frame[i]);
            const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            ASSERT_LE(i + length, frame.size()) << columns;
            i += length;
        }
    }
}

TEST(ProgressLines, PlainLinesOnStageChangesResultsApartWithoutBarBytes)
{
    ProgressDisplay display;
    std::string out, err;
    display.style = ProgressStyle::Lines;
    display.out = [&](std::string_view text) { out += text; };
    display.err = [&](std::string_view text) { err += text; };
    startProgress(display, {"uno.wav", "dos.wav"});
    reportStage(display, 0, 1, "Identificando la cancion");
    reportStage(display, 0, 40, "Ventana 1");
    reportStage(display, 0, 45, "Ventana 1");  // the same stage: no new line
    reportStage(display, 1, 1, "Identificando la cancion");
    writeResult(display, "{}\n");
    reportFinished(display, 0);
    writeError(display, "/x/dos.wav: fallo\n");
    endProgress(display);
    EXPECT_EQ(out, "{}\n");
    EXPECT_EQ(err, "uno.wav: Identificando la cancion (1%)\nuno.wav: Ventana 1 (40%)\n"
                   "dos.wav: Identificando la cancion (1%)\n/x/dos.wav: fallo\n");
}

TEST(ProgressBar, ResultsAndErrorsNeverShareALineWithTheBar)
{
    ProgressDisplay display;
    std::string err;
    std::string out;
    display.style = ProgressStyle::Bar;
    display.columns = 40;
    display.out = [&](std::string_view text) { out += text; };
    display.err = [&](std::string_view text) { err += text; };
    startProgress(display, {"uno.wav"});
    reportStage(display, 0, 50, "Ventana 1");
    writeError(display, "uno.wav: fallo\n");
    endProgress(display);
    // The bar is wiped with a carriage return and blanks before the message.
    std::string wipe(41, ' ');
    wipe.front() = wipe.back() = '\r';
    EXPECT_NE(err.find(wipe + "uno.wav: fallo\n"), std::string::npos) << err;
    EXPECT_EQ(err.substr(err.size() - wipe.size()), wipe);
    EXPECT_TRUE(out.empty());
    ProgressDisplay quiet;
    quiet.err = [&](std::string_view) { FAIL() << "quiet wrote progress"; };
    quiet.out = [](std::string_view) {};
    startProgress(quiet, {"uno.wav"});
    reportStage(quiet, 0, 50, "Ventana 1");
    reportFinished(quiet, 0);
}

TEST(JobCount, CoresBoundedByMemoryAtOneGigabytePerSong)
{
    constexpr uint64_t GB = uint64_t{1} << 30;
    struct Case {
        unsigned cores;
        uint64_t memory;
        unsigned want;
    };
    for (const Case& c : {Case{2, 24 * GB, 2}, Case{8, 3 * GB + GB / 2, 3}, Case{4, GB / 2, 1}, Case{0, 8 * GB, 1},
                          Case{16, 0, 1}, Case{1, 64 * GB, 1}})
        EXPECT_EQ(defaultJobCount(c.cores, c.memory), c.want) << c.cores << " cores, " << c.memory << " bytes";
}

} // namespace
