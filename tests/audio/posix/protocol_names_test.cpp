#include <gtest/gtest.h>

#include "base/cancel.h"
#include "app/settings.h"
#include "audio/decoder.h"
#include "audio/wav_fixture.h"
#include "support/run_program.h"

namespace {

// Relative names the decoder would otherwise take for a protocol are read as
// files in the current folder.
TEST(DecoderProtocolNames, AreReadAsFilesInTheCurrentFolder)
{
    testsupport::TempFolder work("work"), songs("songs");
    const DecoderRun run{installFolder(), work.path};
    cancelFlag = false;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(songs.path);
    for (const std::string name : {"pipe:1.mp3", "concat:a|b.mp3", "file:x.wav"}) {
        SCOPED_TRACE(name);
        testsupport::writeWav(songs.path / name, testsupport::ConstantWav{2, 16, 22 * 48000});
        EXPECT_EQ(decodeSong(name, run).audio.size(), 22u * 48000 * 2);
    }
    std::filesystem::current_path(previous);
}

} // namespace
