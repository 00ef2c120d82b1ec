#include "cache/song_loading.h"

#include "analysis/analysis_driver.h"
#include "analysis/model_identity.h"
#include "analysis/neural_engine.h"
#include "audio/decoder.h"
#include "base/utf.h"
#include "cache/analysis_cache.h"
#include "cache/song_fingerprint.h"

namespace {

constexpr size_t kModelIdentityDigits = 16;

} // namespace

std::string modelIdentity(const std::filesystem::path& installFolder, const TickFn& tick)
{
    try {
        return songFingerprint(installFolder / kModelFileName, tick).substr(0, kModelIdentityDigits);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception&) {
        return {};
    }
}

std::filesystem::path cacheFileOf(const std::filesystem::path& cacheFolder, const std::string& model,
                                  const std::string& fingerprint)
{
    return cacheFolder / pathFromUtf8(model) / pathFromUtf8(fingerprint + ".bin");
}

std::optional<InstalledModel> identifyInstalledModel(const std::filesystem::path& installFolder, const TickFn& tick)
{
    InstalledModel identified{modelIdentity(installFolder, tick), installedModelKind(installFolder / kModelFileName)};
    if (identified.identity.empty())
        return std::nullopt;
    return identified;
}

void loadSong(const std::filesystem::path& songPath, const SongLoadFolders& folders,
              std::optional<InstalledModel>& installed, const TickFn& tick, const ProgressFn& progress,
              std::vector<float>& audio, Analysis& analysis)
{
    progress(1, "Identificando la cancion");
    const std::string fingerprint = songFingerprint(songPath, tick);
    // An unreadable model is looked at again next time.
    if (!installed)
        installed = identifyInstalledModel(folders.installFolder, tick);
    const std::string model = installed ? installed->identity : std::string();
    // The song is decoded even when its analysis is cached: that also holds
    // it to the duration limits, and the cache entry to its decoded length.
    DecodedSong decoded = decodeSong(songPath, {folders.installFolder, folders.workFolder});
    audio = std::move(decoded.audio);
    tick();

    const std::filesystem::path cacheFile = model.empty() ? std::filesystem::path{}
                                                          : cacheFileOf(folders.cacheFolder, model, fingerprint);
    if (!cacheFile.empty() && readCachedAnalysis(cacheFile, audio, analysis)) {
        // The entry was made by the installed model, which the tag names.
        analysis.model = installed->kind;
        analysis.engine = cachedEngineTag(analysis.model);
        progress(100, "Analisis neuronal recuperado de esta cancion");
        return;
    }
    analysis = analyseSong(audio, decoded.analysisAudio, folders.installFolder, tick, progress);
    if (!cacheFile.empty())
        writeCachedAnalysis(cacheFile, audio, analysis);
}
