// The loop comments of "06-bucle-juego.ogg" as ffprobe, a reader of its own,
// lists them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "render/game_loop_ogg.h"
#include "render/render_fixture.h"
#include "support/run_program.h"

TEST(GameLoopOggTags, FfprobeReadsLoopStartAndLength)
{
    testsupport::TempFolder folder("game-ogg-tags");
    const std::vector<float> song = distinctSong(3 * 48000, 5, 0.5f);
    RenderPlan plan;
    prepareRender(plan, song, cutRecord(0.5, 1.7, 2.2), 0.06);  // A 24 000, L 57 600
    const std::filesystem::path ogg = folder.path / "06-bucle-juego.ogg";
    writeGameLoopOgg(ogg, plan, [] {});

    const std::string command = "ffprobe -v error -show_entries stream=sample_rate,channels,codec_name:"
                                "stream_tags=LOOPSTART,LOOPLENGTH -of default=noprint_wrappers=1 '" +
                                ogg.string() + "'";
    std::string report;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[1024];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            report.append(buffer, n);
        pclose(pipe);
    }
    EXPECT_EQ(report, "codec_name=vorbis\nsample_rate=48000\nchannels=2\nTAG:LOOPSTART=24000\nTAG:LOOPLENGTH=57600\n");
}
