#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/analysis_driver.h"
#include "analysis/analysis_steps.h"
#include "analysis/engine_fixture.h"
#include "analysis/drum_song.h"
#include "support/library_probe.h"
#include "support/fixtures.h"

namespace {

const TickFn noTick = [] {};

struct ProgressLog {
    std::vector<std::pair<int32_t, std::string>> entries;
    ProgressFn fn()
    {
        return [this](int32_t percent, const std::string& message) { entries.emplace_back(percent, message); };
    }
};

struct Sentinel : std::runtime_error {
    Sentinel() : std::runtime_error("sentinel") {}
};

std::string failure(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// Whether anything still holds the runtime library. Once the runtime has run
// a model, glibc keeps it mapped after its last dlclose until the threads that
// used it have exited and someone opens and closes it again: the first probe
// may only finish that. A library the analysis still holds survives both.
bool runtimeHeld()
{
    const std::filesystem::path runtime = testsBinDir() / runtimeLibraryName();
    testsupport::isLibraryLoaded(runtime);
    return testsupport::isLibraryLoaded(runtime);
}

// Runs the analysis on a thread of its own, as the loading job does.
Analysis analyseOnJobThread(std::span<const float> stereo, std::span<const float> mono, const TickFn& tick,
                            const ProgressFn& progress)
{
    Analysis result;
    std::exception_ptr failure;
    std::thread job([&] {
        try {
            result = analyseSong(stereo, mono, testsBinDir(), tick, progress);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    job.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

constexpr const char* kWeakPulse = "Pulso poco definido \xC2\xB7 usa los marcadores manuales";
constexpr const char* kDone = "Analisis neuronal terminado";

// Activations of a song of `seconds` with a confident beat every 25 frames (0.5 s), `beats` of them.
Activations pulse(double seconds, int beats)
{
    const size_t frames = static_cast<size_t>(seconds * 50.0) + 1;
    Activations a{std::vector<float>(frames, -5.0f), std::vector<float>(frames, -5.0f)};
    for (int k = 0; k < beats; ++k) {
        a.beat[static_cast<size_t>(25 * k + 10)] = 4.0f;
        if (k % 4 == 0)
            a.downbeat[static_cast<size_t>(25 * k + 10)] = 4.0f;
    }
    return a;
}

Spectrogram flatSpectrogram(size_t frames)
{
    return {frames, std::vector<float>(frames * kMelBands, 1.0f)};
}

// The demo song fixture (16-bit stereo at 44.1 kHz) in the two forms the
// analysis takes.
DrumSong readDemoSong(const std::filesystem::path& wav)
{
    std::ifstream in(wav, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto u16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8); };
    const auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    size_t at = 12;
    while (at + 8 <= bytes.size() && std::memcmp(&bytes[at], "data", 4) != 0)
        at += 8 + u32(at + 4);
    if (at + 8 > bytes.size() || u16(22) != 2 || u32(24) != 44100 || u16(34) != 16)
        throw std::runtime_error("unexpected demo song format");
    const size_t frames = std::min<size_t>(u32(at + 4), bytes.size() - at - 8) / 4;
    std::vector<float> stereo44k(2 * frames);
    for (size_t i = 0; i < stereo44k.size(); ++i)
        stereo44k[i] = static_cast<float>(static_cast<int16_t>(u16(at + 8 + 2 * i))) / 32768.0f;
    AnalysisForms forms = analysisFormsOf(stereo44k);
    return {std::move(forms.stereo), std::move(forms.mono)};
}

std::vector<double> demoBarStarts(const std::filesystem::path& list)
{
    std::ifstream in(list);
    std::vector<double> starts;
    double time = 0.0;
    int barStart = 0;
    while (in >> time >> barStart)
        if (barStart == 1)
            starts.push_back(time);
    return starts;
}

} // namespace

TEST(AnalysisSteps, SongTempoIsTheUpperMedianOfPlausibleLocalTempos)
{
    struct Case {
        std::vector<double> tempos;
        double bpm, low, high;
    };
    const Case cases[] = {
        {{240, 120, 100, 121, 120}, 120, 100, 240},
        // 30 and 300 themselves are not tempos; 0 means none was measured.
        {{30, 0, 90, 300, 110}, 110, 90, 110},
        {{0, 30, 300}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Analysis a;
        for (double bpm : c.tempos) {
            Beat b;
            b.bpm = bpm;
            b.confidence = 0.5f;
            a.beats.push_back(b);
        }
        a.beats[0].confidence = 1.0f;
        songTempo(a);
        EXPECT_EQ(a.bpm, c.bpm);
        EXPECT_EQ(a.bpmLow, c.low);
        EXPECT_EQ(a.bpmHigh, c.high);
        EXPECT_DOUBLE_EQ(a.confidence, (1.0 + 0.5 * static_cast<double>(c.tempos.size() - 1)) /
                                           static_cast<double>(c.tempos.size()));
    }
}

TEST(AnalysisSteps, OverviewPeaksAndFiniteness)
{
    std::vector<float> stereo(2 * 10000, 0.0f);
    stereo[2 * 9999 + 1] = -0.5f;  // right channel of the last frame
    stereo[2 * 0] = 0.25f;
    int ticks = 0;
    const std::vector<float> overview = peakOverview(stereo, [&] { ++ticks; });
    ASSERT_EQ(overview.size(), 8192u);
    EXPECT_EQ(overview[8191], 0.5f);
    EXPECT_EQ(overview[0], 0.25f);
    EXPECT_EQ(ticks, 1);
    for (size_t k = 1; k < 8191; ++k)
        ASSERT_EQ(overview[k], 0.0f) << k;

    std::vector<float> longer(2 * 65537, 0.0f);
    ticks = 0;
    peakOverview(longer, [&] { ++ticks; });
    EXPECT_EQ(ticks, 2);  // before frames 0 and 65 536

    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        std::vector<float> broken = stereo;
        broken.back() = bad;
        EXPECT_EQ(failure([&] { peakOverview(broken, noTick); }), "Audio no finito.");
    }
}

TEST(AnalysisSteps, SilenceGateSilencesFramesFarFromAnySound)
{
    struct Case {
        const char* name;
        size_t soundAt;  // the one non-zero mono sample
        size_t firstKept, lastKept;
    };
    const size_t frames = 20;
    const Case cases[] = {
        {"middle", 441 * 10 + 7, 7, 13},
        {"first frame", 0, 0, 3},
        // Samples past the last frame's hop still count for the last frame.
        {"beyond the last hop", 441 * 20 + 100, 16, 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> mono(441 * 21, 0.0f);
        mono[c.soundAt] = 1e-3f;
        Activations a{std::vector<float>(frames, 2.0f), std::vector<float>(frames, 1.0f)};
        gateSilence(a, mono);
        for (size_t j = 0; j < frames; ++j) {
            const bool kept = j >= c.firstKept && j <= c.lastKept;
            EXPECT_EQ(a.beat[j], kept ? 2.0f : -1000.0f) << j;
            EXPECT_EQ(a.downbeat[j], kept ? 1.0f : -1000.0f) << j;
        }
    }
}

TEST(AnalysisSteps, EightBeatsAreAnalysedSevenAreNot)
{
    const double seconds = 20.0;
    const DrumSong song = makeDrumSong(seconds);
    const Spectrogram spectrogram = flatSpectrogram(static_cast<size_t>(seconds * 50.0) + 1);

    Analysis eight;
    Activations eightPulses = pulse(seconds, 8);
    ProgressLog eightLog;
    finishAnalysis(eight, eightPulses, song.mono, spectrogram, seconds, noTick, eightLog.fn());
    ASSERT_EQ(eight.beats.size(), 8u);
    EXPECT_EQ(eight.bpm, 120.0);
    EXPECT_GT(eight.confidence, 0.9);
    EXPECT_NE(eight.beats[0].loudness, -90.0f);
    const std::vector<std::pair<int32_t, std::string>> steps = {
        {78, "Comparando timbre, armonia y energia de cada beat"},
        {85, "Tejiendo conexiones musicales compatibles"},
        {95, "Sincronizando loops y salida con los compases detectados"},
        {100, kDone}};
    EXPECT_EQ(eightLog.entries, steps);

    Analysis seven;
    Activations sevenPulses = pulse(seconds, 7);
    ProgressLog sevenLog;
    finishAnalysis(seven, sevenPulses, song.mono, spectrogram, seconds, noTick, sevenLog.fn());
    ASSERT_EQ(seven.beats.size(), 7u);
    EXPECT_EQ(seven.bpm, 0.0);
    EXPECT_EQ(seven.bpmLow, 0.0);
    EXPECT_EQ(seven.confidence, 0.0);
    EXPECT_TRUE(seven.connections.empty());
    EXPECT_TRUE(seven.loops.empty());
    for (const Beat& b : seven.beats) {
        EXPECT_EQ(b.loudness, -90.0f);
        EXPECT_NE(b.bpm, 0.0);  // the beats keep what decoding gave them
    }
    EXPECT_EQ(sevenLog.entries, (std::vector<std::pair<int32_t, std::string>>{{100, kWeakPulse}}));
}

TEST(AnalysisDriver, DurationLimits)
{
    // A tick that throws at once shows that the checks let the song through.
    struct Case {
        double seconds;
        bool accepted;
    };
    for (const Case c : {Case{19.999, false}, Case{20.0, true}, Case{1200.0, true}, Case{1200.01, false}}) {
        SCOPED_TRACE(c.seconds);
        const size_t samples = 2 * static_cast<size_t>(std::llround(c.seconds * 48000.0));
        // Never read: the tick stops the analysis before the first sample.
        const auto stereo = std::make_unique_for_overwrite<float[]>(samples);
        ProgressLog log;
        const std::string error = failure([&] {
            analyseSong({stereo.get(), samples}, {}, testsBinDir(), [] { throw Sentinel(); }, log.fn());
        });
        EXPECT_EQ(error, c.accepted ? "sentinel" : "Duracion admitida: de 20 segundos a 20 minutos.");
        EXPECT_TRUE(log.entries.empty());
    }
}

TEST(AnalysisDriver, NonFiniteAudioFailsBeforeAnyProgress)
{
    DrumSong song = makeDrumSong(20.0);
    song.stereo.back() = std::numeric_limits<float>::quiet_NaN();
    ProgressLog log;
    EXPECT_EQ(failure([&] { analyseSong(song.stereo, song.mono, testsBinDir(), noTick, log.fn()); }),
              "Audio no finito.");
    EXPECT_TRUE(log.entries.empty());
    EXPECT_FALSE(runtimeHeld());
}

TEST(AnalysisDriver, SilentSongHasNoPulse)
{
    const std::vector<float> stereo(2 * 20 * 48000, 0.0f);
    const std::vector<float> mono(20 * 22050, 0.0f);
    ProgressLog log;
    const Analysis a = analyseOnJobThread(stereo, mono, noTick, log.fn());
    EXPECT_EQ(a.meter, 4);
    EXPECT_TRUE(a.beats.empty());
    EXPECT_EQ(a.bpm, 0.0);
    EXPECT_EQ(a.confidence, 0.0);
    EXPECT_EQ(a.engine, kEngineStandIn);
    EXPECT_EQ(a.overview, std::vector<float>(8192, 0.0f));
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(log.entries.back(), (std::pair<int32_t, std::string>{100, kWeakPulse}));
    EXPECT_FALSE(runtimeHeld());
}

// The progress texts name the installed model and the tag the one that ran:
// the trained model keeps its own texts, the stand-in never claims them.
TEST(AnalysisDriver, TextsFollowTheInstalledModel)
{
    const DrumSong song = makeDrumSong(20.0);
    const TempInstall install("driver-texts");
    install.addRuntime();
    struct Case {
        std::filesystem::path model;
        const char* engine;
        BeatModelKind kind;
        const char* preparing;
        const char* loading;
    };
    const Case cases[] = {
        {testModel("probe"), kEngineNeural, BeatModelKind::Trained, "Preparando espectrograma para el modelo entrenado",
         "Cargando Beat This! \xC2\xB7 CPU local"},
        {generatedDir() / "beat_this.onnx", kEngineStandIn, BeatModelKind::StandIn,
         "Preparando espectrograma para el rastreador de reserva", "Cargando rastreador de reserva \xC2\xB7 CPU local"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engine);
        install.setModel(c.model);
        ProgressLog log;
        Analysis a;
        std::string error;
        std::thread job([&] { error = failure([&] { a = analyseSong(song.stereo, song.mono, install.folder, noTick, log.fn()); }); });
        job.join();
        EXPECT_EQ(error, "");
        EXPECT_EQ(a.engine, c.engine);
        EXPECT_EQ(a.model, c.kind);
        ASSERT_GE(log.entries.size(), 2u);
        EXPECT_EQ(log.entries[0], (std::pair<int32_t, std::string>{6, c.preparing}));
        EXPECT_EQ(log.entries[1], (std::pair<int32_t, std::string>{12, c.loading}));
    }
}

TEST(AnalysisDriver, FindsBeatsConnectionsAndBarAlignedLoops)
{
    const DrumSong song = makeDrumSong(30.0);
    ProgressLog log;
    const Analysis a = analyseOnJobThread(song.stereo, song.mono, noTick, log.fn());
    EXPECT_FALSE(runtimeHeld());
    EXPECT_EQ(a.meter, 4);
    EXPECT_NEAR(a.bpm, 120.0, 2.0);
    EXPECT_GE(a.beats.size(), 55u);
    EXPECT_FALSE(a.connections.empty());
    ASSERT_FALSE(a.loops.empty());
    for (const Loop& l : a.loops) {
        EXPECT_EQ(a.beats[l.startBeat].phase, 0);
        EXPECT_EQ(a.beats[l.endBeat].phase, 0);
        EXPECT_LT(l.start, l.end);
        EXPECT_LE(l.end, l.outro);
        EXPECT_LT(l.outro, 30.0);
    }
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(log.entries.back(), (std::pair<int32_t, std::string>{100, kDone}));
    for (size_t k = 1; k < log.entries.size(); ++k)
        EXPECT_LE(log.entries[k - 1].first, log.entries[k].first);

}

TEST(AnalysisDriver, CancellationInEveryStepLeavesNoEngineLoaded)
{
    // The ticks of one step all leave through the same path, so the first and
    // the last tick of every step (told apart by the progress reported before
    // them) stand for all of them.
    const DrumSong song = makeDrumSong(20.0);
    int32_t lastPercent = -1;
    std::map<int32_t, std::pair<int, int>> ticksByStep;  // first and last tick after each percentage
    int ticks = 0;
    const Analysis full = analyseOnJobThread(
        song.stereo, song.mono,
        [&] {
            ++ticks;
            auto [entry, fresh] = ticksByStep.try_emplace(lastPercent, ticks, ticks);
            entry->second.second = ticks;
        },
        [&](int32_t percent, const std::string&) { lastPercent = percent; });
    ASSERT_FALSE(full.loops.empty());
    // Overview, spectrogram, the model's windows, descriptors, connections and loops.
    for (const int32_t percent : {-1, 6, 12, 78, 85, 95})
        EXPECT_TRUE(ticksByStep.count(percent)) << percent;

    std::set<int> stops;
    for (const auto& [percent, range] : ticksByStep)
        stops.insert({range.first, range.second});
    for (const int stop : stops) {
        SCOPED_TRACE(stop);
        int calls = 0;
        const std::string error = failure([&] {
            analyseOnJobThread(
                song.stereo, song.mono,
                [&] {
                    if (++calls == stop)
                        throw std::runtime_error(kCancelledMessage);
                },
                [](int32_t, const std::string&) {});
        });
        EXPECT_EQ(error, kCancelledMessage);
        EXPECT_FALSE(runtimeHeld());
    }
}

TEST(AnalysisDriver, DemoSongLoopsCutOnBarStarts)
{
    const std::filesystem::path fixtures = TAMREL_FIXTURE_DIR;
    const DrumSong song = readDemoSong(fixtures / "demo.wav");
    const std::vector<double> barStarts = demoBarStarts(fixtures / "demo.beats.txt");
    ASSERT_FALSE(barStarts.empty());
    const auto nearBarStart = [&](double t) {
        return std::any_of(barStarts.begin(), barStarts.end(), [&](double b) { return std::abs(b - t) < 0.03; });
    };

    const Analysis a = analyseOnJobThread(song.stereo, song.mono, noTick, [](int32_t, const std::string&) {});
    EXPECT_FALSE(runtimeHeld());
    EXPECT_GE(a.beats.size(), 150u);
    EXPECT_FALSE(a.connections.empty());
    ASSERT_FALSE(a.loops.empty());
    for (const Loop& l : a.loops) {
        EXPECT_EQ(a.beats[l.startBeat].phase, 0);
        EXPECT_EQ(a.beats[l.endBeat].phase, 0);
        EXPECT_TRUE(nearBarStart(l.start)) << l.start;
        EXPECT_TRUE(nearBarStart(l.end)) << l.end;
    }
}
