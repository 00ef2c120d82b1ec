#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include <atomic>
#include <chrono>
#include <fstream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/neural_engine.h"
#include "audio/decoder.h"
#include "app/running.h"
#include "app/song_jobs.h"
#include "audio/wav_fixture.h"
#include "base/utf.h"
#include "cache/analysis_cache.h"
#include "cache/song_fingerprint.h"
#include "cache/song_loading.h"
#include "support/fixtures.h"
#include "support/message_of.h"
#include "support/message_receiver.h"
#include "support/run_program.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecovered = "Analisis neuronal recuperado de esta cancion";
constexpr const char* kIdentifying = "Identificando la cancion";

using Progress = std::vector<std::pair<int32_t, std::string>>;

LoadOutcome& loadOf(Result& result)
{
    return std::get<LoadOutcome>(result.work);
}

// What the window sees of one job: its progress records, then its result.
struct Outcome {
    Progress progress;
    std::unique_ptr<Result> result;
    bool lateMessage = false;  // anything posted after the result
};

// A stand-in for the main window: a receiver on this thread, the job state,
// and folders of its own (work folder, settings folder with the cache).
struct Window {
    testsupport::TempFolder root{"jobs"};
    Running running;
    platform::WindowHandle receiver = testsupport::createMessageReceiver();

    Window()
    {
        running.jobs.mainWindow = receiver;
        running.folders.workFolder = root.path / "work";
        running.folders.settingsFile = root.path / "data" / "settings.ini";
        running.folders.outputFolder = root.path / "out";
        fs::create_directories(running.folders.workFolder);
        fs::create_directories(root.path / "data");
        cancelFlag = false;
    }
    ~Window()
    {
        stopJob(running.jobs);
        while (auto left = testsupport::nextPostedMessage(receiver, 0))
            discardPosted(*left);
        testsupport::destroyMessageReceiver(receiver);
        cancelFlag = false;
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    fs::path cacheFolder() const { return running.folders.settingsFile.parent_path() / "analysis-v3"; }

    // Launches the job and handles its messages as the window does; onProgress
    // may act on each record (cancel, for one).
    Outcome run(Job job, const std::function<void(const ProgressRecord&)>& onProgress = {})
    {
        Outcome outcome;
        EXPECT_TRUE(launch(running.jobs, std::move(job)));
        while (!outcome.result) {
            const auto posted = testsupport::nextPostedMessage(receiver, 120000);
            if (!posted) {
                ADD_FAILURE() << "no result within two minutes";
                stopJob(running.jobs);
                break;
            }
            if (posted->message == kJobProgressMessage) {
                const auto record = takeProgress(posted->payload);
                outcome.progress.emplace_back(record->percent, record->message);
                if (onProgress)
                    onProgress(*record);
            } else if (posted->message == kJobFinishedMessage) {
                outcome.result = takeResult(running.jobs, posted->payload);
            }
        }
        if (auto late = testsupport::nextPostedMessage(receiver, 200)) {
            outcome.lateMessage = true;
            discardPosted(*late);
        }
        return outcome;
    }

    Outcome load(const fs::path& song) { return run(loadJob(song, running.folders, running.model, receiver)); }
};

std::vector<fs::path> cacheFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code missing;
    for (const auto& entry : fs::recursive_directory_iterator(folder, missing))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    return files;
}

bool analysed(const Progress& progress)
{
    for (const auto& [percent, message] : progress)
        if (percent == 100 && message == kRecovered)
            return false;
    return true;
}

fs::path copyOfDemo(const fs::path& folder, const std::string& name)
{
    fs::copy_file(fixtureDir() / "demo.wav", folder / name);
    return folder / name;
}

TEST(LoadJob, SecondLoadOfTheSameSongComesFromTheCache)
{
    Window window;
    const fs::path song = copyOfDemo(window.root.path, "cancion.wav");
    const Outcome first = window.load(song);
    ASSERT_TRUE(loadOf(*first.result).loaded) << utf16ToUtf8(first.result->error);
    EXPECT_TRUE(analysed(first.progress));
    EXPECT_EQ(first.progress.front(), std::make_pair(1, std::string(kIdentifying)));
    ASSERT_EQ(cacheFiles(window.cacheFolder()).size(), 1u);
    // The song's level is measured once, by the load, for every later start of playback.
    float loudest = 0.0f;
    for (const float sample : loadOf(*first.result).audio)
        loudest = std::max(loudest, std::fabs(sample));
    EXPECT_GT(loudest, 0.0f);
    EXPECT_EQ(loadOf(*first.result).peak, loudest);

    const Outcome second = window.load(song);
    ASSERT_TRUE(loadOf(*second.result).loaded) << utf16ToUtf8(second.result->error);
    EXPECT_EQ(second.progress, (Progress{{1, kIdentifying}, {100, kRecovered}}));
    // The installed model is the stand-in, and the cache tag says so.
    EXPECT_EQ(loadOf(*second.result).analysis.engine, kEngineStandInCache);
    // The decoder still ran: the audio is there, its analysis file is not.
    EXPECT_EQ(loadOf(*second.result).audio, loadOf(*first.result).audio);
    EXPECT_FALSE(fs::exists(window.running.folders.workFolder / "mono.f32"));
    EXPECT_EQ(loadOf(*second.result).analysis.beats.size(), loadOf(*first.result).analysis.beats.size());
    EXPECT_FALSE(second.lateMessage);

    // Another name, the same bytes: the same entry.
    const Outcome renamed = window.load(copyOfDemo(window.root.path, "otro nombre ñ.wav"));
    ASSERT_TRUE(loadOf(*renamed.result).loaded);
    EXPECT_FALSE(analysed(renamed.progress));
}

TEST(LoadJob, ACorruptedEntryIsAnalysedAgainAndReplaced)
{
    Window window;
    const fs::path song = copyOfDemo(window.root.path, "cancion.wav");
    ASSERT_TRUE(loadOf(*window.load(song).result).loaded);
    const fs::path entry = cacheFiles(window.cacheFolder()).at(0);
    std::string bytes = testsupport::readBytes(entry);
    bytes[100] = static_cast<char>(bytes[100] ^ 0x01);
    std::ofstream(entry, std::ios::binary | std::ios::trunc) << bytes;

    const Outcome again = window.load(song);
    ASSERT_TRUE(loadOf(*again.result).loaded);
    EXPECT_TRUE(analysed(again.progress));
    Analysis reread;
    EXPECT_TRUE(readCachedAnalysis(entry, loadOf(*again.result).audio, reread));
}

TEST(LoadJob, AShortSongFailsEvenWithACacheEntryForIt)
{
    Window window;
    const fs::path song = window.root.path / "corta.wav";
    testsupport::writeWav(song, testsupport::ConstantWav{2, 16, 12 * 48000});
    // An entry for exactly this file, as if a longer decoding had written it.
    const std::vector<float> longer(2 * 30 * 48000, 0.1f);
    Analysis cached;
    cached.overview.assign(kOverviewSize, 0.0f);
    const std::string model = modelIdentity(installFolder(), [] {});
    ASSERT_FALSE(model.empty());
    writeCachedAnalysis(cacheFileOf(window.cacheFolder(), model, songFingerprint(song, [] {})), longer, cached);
    ASSERT_EQ(cacheFiles(window.cacheFolder()).size(), 1u);

    const Outcome outcome = window.load(song);
    EXPECT_FALSE(loadOf(*outcome.result).loaded);
    EXPECT_EQ(outcome.result->error, u"Duracion admitida: de 20 segundos a 20 minutos.");
    EXPECT_FALSE(outcome.result->cancelled);
}

// An install folder beside the real one whose model differs from it by one
// harmless field: the same analysis, but another model file.
struct OtherModelInstall {
    testsupport::TempFolder folder{"install"};
    OtherModelInstall()
    {
        const fs::path real = installFolder();
        for (const std::string& name : {decoderFileName(), runtimeLibraryName(), std::string(kModelFileName)})
            fs::copy_file(real / name, folder.path / name);
        // A protobuf field appended to the model: its doc string, "x".
        std::ofstream(folder.path / kModelFileName, std::ios::binary | std::ios::app).write("\x32\x01x", 3);
    }
};

TEST(LoadJob, AnotherModelAnalysesTheSongAgain)
{
    Window window;
    const fs::path song = copyOfDemo(window.root.path, "cancion.wav");
    ASSERT_TRUE(loadOf(*window.load(song).result).loaded);

    const OtherModelInstall other;
    const SongLoadFolders where{other.folder.path, window.running.folders.workFolder, window.cacheFolder()};
    const platform::WindowHandle receiver = window.receiver;
    std::optional<InstalledModel> otherModel;
    const Outcome outcome = window.run({LoadOutcome{}, [&](Result& result) {
        loadSong(song, where, otherModel, checkCancel, progressPoster(receiver), loadOf(result).audio,
                 loadOf(result).analysis);
        loadOf(result).loaded = true;
    }});
    ASSERT_TRUE(loadOf(*outcome.result).loaded) << utf16ToUtf8(outcome.result->error);
    EXPECT_TRUE(analysed(outcome.progress));
    EXPECT_EQ(cacheFiles(window.cacheFolder()).size(), 2u);  // one entry per model
}

// The installed model is read once per run: after the first load, a load
// neither hashes nor opens the model file, which here is gone meanwhile.
TEST(LoadJob, TheModelIsIdentifiedByTheFirstLoadOnly)
{
    Window window;
    const fs::path song = copyOfDemo(window.root.path, "cancion.wav");
    const OtherModelInstall install;  // a model file of this test's own
    const fs::path modelFile = install.folder.path / kModelFileName;
    const std::string identity = songFingerprint(modelFile, [] {}).substr(0, 16);
    const SongLoadFolders where{install.folder.path, window.running.folders.workFolder, window.cacheFolder()};
    const platform::WindowHandle receiver = window.receiver;
    std::optional<InstalledModel> model;
    const auto load = [&] {
        return window.run({LoadOutcome{}, [&](Result& result) {
                               loadSong(song, where, model, checkCancel, progressPoster(receiver),
                                        loadOf(result).audio, loadOf(result).analysis);
                               loadOf(result).loaded = true;
                           }});
    };

    const Outcome first = load();
    ASSERT_TRUE(loadOf(*first.result).loaded) << utf16ToUtf8(first.result->error);
    ASSERT_TRUE(model.has_value());
    EXPECT_EQ(model->identity, identity);
    EXPECT_EQ(model->kind, BeatModelKind::StandIn);
    ASSERT_EQ(cacheFiles(window.cacheFolder()), std::vector<fs::path>{window.cacheFolder() / identity /
                                                                      (songFingerprint(song, [] {}) + ".bin")});

    fs::remove(modelFile);
    const Outcome second = load();
    ASSERT_TRUE(loadOf(*second.result).loaded) << utf16ToUtf8(second.result->error);
    EXPECT_EQ(second.progress, (Progress{{1, kIdentifying}, {100, kRecovered}}));
    EXPECT_EQ(loadOf(*second.result).analysis.engine, kEngineStandInCache);
    EXPECT_EQ(model->identity, identity);
}

// Cancellation at each stage: during the fingerprint (its first tick), during
// the decoding of a 20-minute song (once the decoder's output appears), and
// during the analysis (at its first progress record). Each ends as cancelled
// and caches nothing.
TEST(LoadJob, CancellingAtEachStageEndsTheJobAndCachesNothing)
{
    Window window;
    const fs::path longSong = window.root.path / "larga.wav";
    testsupport::writeWav(longSong, testsupport::ConstantWav{1, 8, 1200ull * 48000});
    const fs::path demo = copyOfDemo(window.root.path, "cancion.wav");
    const fs::path& work = window.running.folders.workFolder;
    const SongLoadFolders where{installFolder(), work, window.cacheFolder()};
    const platform::WindowHandle receiver = window.receiver;

    // The decoder writes the song's 48 kHz floats into the work folder as it goes.
    const fs::path decoded = work / "decoded.f32";
    const uint64_t decodedSongBytes = 1200ull * 48000 * 2 * sizeof(float);
    std::atomic<bool> jobEnded{false};
    std::atomic<bool> cancelledWhileDecoding{false};
    struct Stage {
        const char* name;
        fs::path song;
        std::function<TickFn()> tick;
        std::function<void(const ProgressRecord&)> onProgress;
    };
    std::thread canceller;
    const std::vector<Stage> stages = {
        {"fingerprint", demo, [] { return TickFn([] { cancelFlag = true, checkCancel(); }); }, {}},
        {"decoding", longSong,
         [&] {
             canceller = std::thread([&] {
                 std::error_code notYet;
                 while (!jobEnded) {
                     if (fs::file_size(decoded, notYet) > 0 && !notYet) {
                         cancelFlag = true;
                         cancelledWhileDecoding = true;
                         return;
                     }
                     std::this_thread::sleep_for(std::chrono::milliseconds(1));
                 }
             });
             return TickFn(checkCancel);
         },
         {}},
        {"analysis", demo, [] { return TickFn(checkCancel); },
         [](const ProgressRecord& record) {
             if (record.percent > 1)
                 cancelFlag = true;
         }},
    };
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.name);
        jobEnded = false;
        const TickFn tick = stage.tick();
        const fs::path song = stage.song;
        const Outcome outcome = window.run(
            {LoadOutcome{}, [&, tick, song](Result& result) {
                 std::optional<InstalledModel> model;  // each stage identifies the model anew
                 loadSong(song, where, model, tick, progressPoster(receiver), loadOf(result).audio,
                          loadOf(result).analysis);
                 loadOf(result).loaded = true;
             }},
            stage.onProgress);
        jobEnded = true;
        if (canceller.joinable()) {
            canceller.join();
            // The cancel landed while the decoder ran, and stopped it: its
            // output stays short of the whole song.
            EXPECT_TRUE(cancelledWhileDecoding);
            std::error_code gone;
            EXPECT_LT(fs::file_size(decoded, gone), decodedSongBytes);
            EXPECT_FALSE(gone) << gone.message();
            EXPECT_EQ(outcome.progress, (Progress{{1, kIdentifying}}));
        }
        EXPECT_FALSE(loadOf(*outcome.result).loaded);
        EXPECT_TRUE(outcome.result->cancelled);
        EXPECT_EQ(outcome.result->error, u"Operacion cancelada. El original se conserva.");
        EXPECT_FALSE(outcome.lateMessage);
        EXPECT_TRUE(cacheFiles(window.cacheFolder()).empty());
    }
}

TEST(ExportJob, ExportsWhatWasChosenWhenItWasLaunched)
{
    Window window;
    const fs::path song = copyOfDemo(window.root.path, "cancion.wav");
    const Outcome loaded = window.load(song);
    ASSERT_TRUE(loadOf(*loaded.result).loaded) << utf16ToUtf8(loaded.result->error);
    const Analysis& analysis = loadOf(*loaded.result).analysis;
    ASSERT_FALSE(analysis.loops.empty());

    CutSettings settings{analysis.loops[0], 80, 3};
    Job job = exportJob(loadOf(*loaded.result).audio, analysis, settings, window.running.folders.outputFolder, song);
    // What the fields hold afterwards is not what was exported.
    settings.cuts.end = settings.cuts.start + 1.0, settings.fadeMs = 200, settings.repetitions = 9;
    const Outcome exported = window.run(std::move(job));
    ASSERT_TRUE(exported.result->error.empty()) << utf16ToUtf8(exported.result->error);
    EXPECT_TRUE(exported.progress.empty());
    const fs::path folder = std::get<ExportOutcome>(exported.result->work).folder;
    EXPECT_EQ(folder.parent_path(), window.running.folders.outputFolder);
    const std::string cutSettings = testsupport::readBytes(folder / "cortes.json");
    EXPECT_NE(cutSettings.find("\"repetitions\": 3,"), std::string::npos) << cutSettings;
    EXPECT_NE(cutSettings.find("\"crossfadeMs\": 80,"), std::string::npos) << cutSettings;
}

TEST(Jobs, FailuresReachTheWindowAsTheirText)
{
    Window window;
    const struct {
        const char* what;
        Job job;
        std::u16string error;
    } cases[] = {
        {"accented message",
         {LoadOutcome{}, [](Result&) { throw std::runtime_error("Canci\xC3\xB3n da\xC3\xB1" "ada: \xE2\x82\xAC"); }},
         u"Canción dañada: €"},
        {"not a standard exception", {LoadOutcome{}, [](Result&) { throw 42; }},
         u"Ocurrio un error inesperado. Vuelve a abrir la cancion."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = window.run(c.job);
        EXPECT_EQ(outcome.result->error, c.error);
        EXPECT_FALSE(outcome.result->cancelled);
        EXPECT_FALSE(loadOf(*outcome.result).loaded);
    }
}

TEST(Jobs, LaunchWhileBusyChangesNothing)
{
    Window window;
    Jobs& jobs = window.running.jobs;
    std::atomic<bool> release{false};
    ASSERT_TRUE(launch(jobs, {LoadOutcome{}, [&](Result&) {
                           while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                       }}));
    const auto firstThread = jobs.jobThread.get_id();
    bool prepared = false;
    EXPECT_FALSE(launch(jobs, {LoadOutcome{}, [](Result&) {}}, [&] { prepared = true; }));
    EXPECT_FALSE(prepared);
    EXPECT_EQ(jobs.jobThread.get_id(), firstThread);
    release = true;
    const auto posted = testsupport::nextPostedMessage(window.receiver, 10000);
    ASSERT_TRUE(posted);
    ASSERT_EQ(posted->message, kJobFinishedMessage);
    EXPECT_TRUE(takeResult(jobs, posted->payload)->error.empty());
    EXPECT_FALSE(jobs.busy);
}

// When the system cannot give a job its thread, the window must not wait for
// a job that does not exist: busy ends at once, with the user's message, and
// the next job starts as usual.
TEST(Jobs, AThreadThatCannotStartEndsTheBusyStateWithTheUsersMessage)
{
    Window window;
    Jobs& jobs = window.running.jobs;
    const struct {
        const char* what;
        ThreadStarter starter;
    } cases[] = {
        {"no thread left", [](std::function<void()>) -> std::thread {
             throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
         }},
        {"no memory", [](std::function<void()>) -> std::thread { throw std::bad_alloc(); }},
        {"no thread handed back", [](std::function<void()>) { return std::thread(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        jobs.startThread = c.starter;
        bool prepared = false;
        const std::string message = testsupport::messageOf([&] {
            launch(jobs, {LoadOutcome{}, [](Result&) {}}, [&] { prepared = true; });
        });
        EXPECT_EQ(message, "Ocurrio un error inesperado. Vuelve a abrir la cancion.");
        EXPECT_TRUE(prepared);
        ASSERT_FALSE(jobs.busy);
        EXPECT_FALSE(jobs.jobThread.joinable());
        EXPECT_EQ(takeLostResult(jobs), nullptr);

        jobs.startThread = startSystemThread;
        const Outcome next = window.run({ExportOutcome{}, [](Result& result) {
                                             std::get<ExportOutcome>(result.work).folder = "paquete";
                                         }});
        ASSERT_TRUE(next.result);
        EXPECT_TRUE(next.result->error.empty());
        EXPECT_EQ(std::get<ExportOutcome>(next.result->work).folder, fs::path("paquete"));
        EXPECT_FALSE(jobs.busy);
    }
}

TEST(Jobs, ShutdownDuringALoadJoinsTheJobAndRemovesTheWorkFolder)
{
    Window window;
    const fs::path song = window.root.path / "larga.wav";
    testsupport::writeWav(song, testsupport::ConstantWav{1, 8, 1200ull * 48000});
    ASSERT_TRUE(launch(window.running.jobs, loadJob(song, window.running.folders, window.running.model, window.receiver)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shutdown(window.running);
    EXPECT_FALSE(window.running.jobs.jobThread.joinable());
    EXPECT_FALSE(fs::exists(window.running.folders.workFolder));
    // The job ended as cancelled.
    std::unique_ptr<Result> result;
    while (auto posted = testsupport::nextPostedMessage(window.receiver, 0)) {
        if (posted->message == kJobFinishedMessage)
            result.reset(static_cast<Result*>(posted->payload));
        else
            discardPosted(*posted);
    }
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->cancelled);
}

} // namespace

// A job whose result cannot be posted (the window's queue is gone or full)
// must still end the busy state: the window finds the result where the job
// left it.
TEST(Jobs, AResultThatCannotBePostedIsStillHandedOver)
{
    Jobs jobs;
    jobs.mainWindow = testsupport::goneWindow();
    ASSERT_TRUE(launch(jobs, {ExportOutcome{}, [](Result&) { throw std::runtime_error("perdido"); }}));
    EXPECT_EQ(takeLostResult(jobs), nullptr) << "only once the job has ended";
    std::unique_ptr<Result> result;
    for (int i = 0; i < 10000 && !result; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        result = takeLostResult(jobs);
    }
    stopJob(jobs);
    ASSERT_TRUE(result);
    EXPECT_FALSE(jobs.busy);
    EXPECT_FALSE(jobs.jobThread.joinable());
    EXPECT_TRUE(std::holds_alternative<ExportOutcome>(result->work));
    EXPECT_EQ(result->error, u"perdido");
}
