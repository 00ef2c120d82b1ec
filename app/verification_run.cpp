#include "app/verification_run.h"

#include <stdexcept>

#include "analysis/analysis_driver.h"
#include "app/song.h"
#include "audio/decoder.h"
#include "base/cancel.h"
#include "base/text_file.h"
#include "base/utf.h"
#include "render/export_package.h"

namespace {

// Fixed so that a run is comparable whatever the interactive preferences are.
constexpr double kVerificationFadeSeconds = 0.06;
constexpr int kVerificationRepetitions = 2;

void verify(const std::filesystem::path& songPath, const std::filesystem::path& outputFolder, const Folders& folders)
{
    const DecoderRun decoder{installFolder(), folders.workFolder};
    DecodedSong decoded = decodeSong(songPath, decoder);
    Song song{songPath, std::move(decoded.audio), {}};
    const std::vector<float> analysisAudio = std::move(decoded.analysisAudio);
    const ProgressFn silent = [](int32_t, const std::string&) {};
    song.analysis = analyseSong(song.audio, analysisAudio, decoder.installFolder, checkCancel, silent);
    if (song.analysis.loops.empty())
        throw std::runtime_error("Sin cortes automaticos.");
    const std::filesystem::path package =
        exportPackage(song.audio, song.analysis, song.analysis.loops[0], kVerificationFadeSeconds,
                      kVerificationRepetitions, outputFolder, song.path);
    writeTextFile(outputFolder / "verification.txt", pathToUtf8(package));
}

} // namespace

int runVerification(const std::filesystem::path& songPath, const std::filesystem::path& outputFolder,
                    const Folders& folders)
{
    // Nobody is there to read a message: the exit code is the whole report.
    try {
        verify(songPath, outputFolder, folders);
        return 0;
    } catch (...) {
        return 1;
    }
}
