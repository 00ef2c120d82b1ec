#include "app/verification_run.h"

#include <stdexcept>

#include "analysis/analysis_driver.h"
#include "app/cancel.h"
#include "app/current_song.h"
#include "app/settings.h"
#include "app/text_file.h"
#include "app/utf.h"
#include "audio/decoder.h"
#include "render/export_package.h"

namespace {

// Fixed so that a run is comparable whatever the interactive preferences are.
constexpr double kVerificationFadeSeconds = 0.06;
constexpr int kVerificationRepetitions = 2;

void verify(const std::filesystem::path& songPath, const std::filesystem::path& outputFolder)
{
    const std::vector<float> songAudio = decodeSong(songPath);
    const std::vector<float> analysisAudio = readAnalysisAudio();
    const ProgressFn silent = [](int32_t, const std::string&) {};
    // The export reads the current analysis for its report.
    currentAnalysis = analyseSong(songAudio, analysisAudio, installFolder(), checkCancel, silent);
    if (currentAnalysis.loops.empty())
        throw std::runtime_error("Sin cortes automaticos.");
    const std::filesystem::path package = exportPackage(songAudio, currentAnalysis.loops[0], kVerificationFadeSeconds,
                                                        kVerificationRepetitions, outputFolder, songPath);
    writeTextFile(outputFolder / "verification.txt", pathToUtf8(package));
}

} // namespace

int runVerification(const std::filesystem::path& songPath, const std::filesystem::path& outputFolder)
{
    // Nobody is there to read a message: the exit code is the whole report.
    try {
        verify(songPath, outputFolder);
        return 0;
    } catch (...) {
        return 1;
    }
}
