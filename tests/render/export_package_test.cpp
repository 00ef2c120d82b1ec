#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>

#include "analysis/analysis_report.h"
#include "base/cancel.h"
#include "support/failing_writes.h"
#include "render/export_package.h"
#include "render/package_texts.h"
#include "render/render_plan.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kWriteFailedMessage = "Fallo de escritura: comprueba espacio y permisos.";
constexpr const char* kReportFailedMessage = "No se pudo escribir el informe.";

// 3 s of deterministic noise peaking above full scale, so the render gain is
// below 1 and every frame differs from its neighbours.
std::vector<float> noiseSong(int64_t frames)
{
    std::vector<float> pcm(static_cast<size_t>(frames) * 2);
    uint32_t state = 12345;
    for (float& x : pcm) {
        state = state * 1664525u + 1013904223u;
        x = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 2.4f;
    }
    return pcm;
}

const Loop kCuts = cutRecord(0.5, 1.7, 2.2);  // A 24000, B 81600, O 105600 frames
constexpr double kFade = 0.06;

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string wavData(const fs::path& path)
{
    const std::string bytes = readBytes(path);
    return bytes.size() < 44 ? std::string() : bytes.substr(44);
}

uint32_t le32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | static_cast<unsigned char>(bytes.at(at + k));
    return v;
}

std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The value of a whole-number key in cortes.json.
uint64_t jsonCount(const std::string& json, const std::string& key)
{
    const std::string tag = "\"" + key + "\": ";
    const size_t at = json.find(tag);
    return at == std::string::npos ? 0 : std::stoull(json.substr(at + tag.size()));
}

// stem-YYYYMMDD-HHMMSS, or the same with "-1".
bool isPackageName(std::string name, const std::string& stem)
{
    if (name.size() >= 2 && name.compare(name.size() - 2, 2, "-1") == 0)
        name.resize(name.size() - 2);
    const std::string stamp = "-dddddddd-dddddd";
    if (name.size() != stem.size() + stamp.size() || name.compare(0, stem.size(), stem) != 0)
        return false;
    for (size_t i = 0; i < stamp.size(); ++i) {
        const char c = name[stem.size() + i];
        if (stamp[i] == 'd' ? (c < '0' || c > '9') : c != '-')
            return false;
    }
    return true;
}

class ExportPackage : public ::testing::Test {
protected:
    fs::path root;
    fs::path out;  // not created beforehand: the export makes it
    std::vector<float> song = noiseSong(144000);
    Analysis analysis;  // what the report describes

    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("tamrel-export-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        out = root / "salida" / "paquetes";
        cancelFlag = false;
    }
    void TearDown() override
    {
        cancelFlag = false;
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Runs an export that must fail, and returns its message.
    std::string failingExport(const std::vector<float>& audio, const Loop& cuts, double fade, int repetitions,
                              const TickFn& tick)
    {
        try {
            exportPackage(audio, analysis, cuts, fade, repetitions, out, "cancion.mp3", tick);
        } catch (const std::exception& e) {
            return e.what();
        }
        ADD_FAILURE() << "the export succeeded";
        return {};
    }

    // The package folder, once the export has created it.
    fs::path packageFolder() const
    {
        if (!fs::is_directory(out))
            return {};
        for (const auto& entry : fs::directory_iterator(out))
            if (entry.is_directory())
                return entry.path();
        return {};
    }
};

} // namespace

TEST_F(ExportPackage, WritesACompletePackageWhoseSectionsRebuildTheMontage)
{
    const struct {
        int repetitions;
        bool beats;
    } cases[] = {{3, true}, {1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.repetitions);
        analysis = Analysis{};
        if (c.beats)
            analysis.beats.push_back(Beat{});
        const fs::path folder = exportPackage(song, analysis, kCuts, kFade, c.repetitions, out, "musica/cancion.mp3");
        EXPECT_EQ(folder.parent_path(), out);
        // The second export may land in the same second and get "-1".
        EXPECT_TRUE(isPackageName(folder.filename().string(), "cancion")) << folder.filename();

        std::set<std::string> expected = {"01-inicio.wav",  "02-loop.wav", "03-final.wav",       "04-montaje.wav",
                                          "05-escuchar-uniones.wav", "cortes.json", "LEEME.txt",
                                          "06-bucle-juego.wav", "06-bucle-juego.ogg", "marcadores.txt"};
        if (c.beats)
            expected.insert("analisis-musical.json");
        ASSERT_EQ(namesIn(folder), expected);

        // Start, N loops and outro butted together are the montage, sample for sample.
        std::string rebuilt = wavData(folder / "01-inicio.wav");
        for (int k = 0; k < c.repetitions; ++k)
            rebuilt += wavData(folder / "02-loop.wav");
        rebuilt += wavData(folder / "03-final.wav");
        const std::string montage = readBytes(folder / "04-montaje.wav");
        ASSERT_GT(montage.size(), 44u);
        EXPECT_TRUE(montage.substr(44) == rebuilt) << "montage differs from its sections";
        EXPECT_EQ(le32(montage, 40), montage.size() - 44);
        EXPECT_EQ(le32(montage, 4), montage.size() - 8);

        const uint64_t montageFrames = 24000 + c.repetitions * 57600 + 38400;
        const std::string cortes = readBytes(folder / "cortes.json");
        EXPECT_EQ(jsonCount(cortes, "montageFrames"), montageFrames);
        EXPECT_EQ(montage.size(), 44 + 6 * montageFrames);
        EXPECT_EQ(jsonCount(cortes, "repetitions"), static_cast<uint64_t>(c.repetitions));

        // Six excerpts of L = min(A, 3 s, B - A, frames - O) = 24000 frames, 16-bit.
        const std::string preview = readBytes(folder / "05-escuchar-uniones.wav");
        EXPECT_EQ(preview.size(), 44u + 4u * 6u * 24000u);
        EXPECT_EQ(le32(preview, 28), 192000u);

        // The game loop file holds start and loop at the preview's 16 bits:
        // its frames around A are the preview's first join.
        const std::string game = wavData(folder / "06-bucle-juego.wav");
        ASSERT_GE(game.size(), 4u * 81600u);
        EXPECT_TRUE(game.substr(4 * (24000 - 24000), 4 * 2 * 24000) == preview.substr(44, 4 * 2 * 24000));
        EXPECT_EQ(readBytes(folder / "marcadores.txt"), "0.500000\t1.700000\tbucle\n"
                                                         "0.500000\t0.500000\tinicio del bucle\n"
                                                         "1.700000\t1.700000\tfin del bucle\n"
                                                         "2.200000\t2.200000\tfinal\n");

        EXPECT_EQ(readBytes(folder / "LEEME.txt"), readMeText());
        if (c.beats) {
            EXPECT_EQ(readBytes(folder / "analisis-musical.json"), analysisReport(analysis));
        }
    }
}

TEST_F(ExportPackage, RejectedExportsLeaveNothingOnDisk)
{
    std::vector<float> nanSong = song;
    nanSong[2 * 143999 + 1] = std::numeric_limits<float>::quiet_NaN();  // far past the outro cut
    const struct {
        const std::vector<float>* audio;
        Loop cuts;
        double fade;
        int repetitions;
        const char* message;
    } cases[] = {
        {&song, cutRecord(0.5, 0.5, 2.2), kFade, 2, kInvalidCutsMessage},
        {&song, kCuts, 0.004, 2, kInvalidCutsMessage},
        {&song, kCuts, kFade, 0, "Repeticiones: entre 1 y 100."},
        {&song, kCuts, kFade, 101, "Repeticiones: entre 1 y 100."},
        {&song, kCuts, kFade, -1, "Repeticiones: entre 1 y 100."},
        {&nanSong, kCuts, kFade, 2, "Audio no finito."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failingExport(*c.audio, c.cuts, c.fade, c.repetitions, checkCancel), c.message);
        EXPECT_FALSE(fs::exists(root)) << c.message;
    }

    // 100 passes of a 150 s loop would need a WAV over 4 GB.
    const std::vector<float> longSong(static_cast<size_t>(160 * 48000) * 2, 0.25f);
    EXPECT_EQ(failingExport(longSong, cutRecord(1, 151, 155), kFade, 100, checkCancel),
              "El montaje supera 4 GB. Reduce las repeticiones.");
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(ExportPackage, CancellingDiscardsThePackage)
{
    // The user cancels at the third poll inside the montage, or after the
    // text files, at the export's last poll.
    const struct {
        const char* presentFile;
        int poll;
    } cases[] = {{"04-montaje.wav", 3}, {"LEEME.txt", 1}};
    analysis.beats.push_back(Beat{});
    for (const auto& c : cases) {
        int polls = 0;
        const TickFn cancelAt = [&] {
            const fs::path folder = packageFolder();
            if (!folder.empty() && fs::exists(folder / c.presentFile) && ++polls == c.poll)
                cancelFlag = true;
            checkCancel();
        };
        EXPECT_EQ(failingExport(song, kCuts, kFade, 50, cancelAt), kCancelledMessage) << c.presentFile;
        EXPECT_EQ(polls, c.poll) << c.presentFile;
        EXPECT_TRUE(fs::is_directory(out)) << "the output folder itself stays";
        EXPECT_TRUE(fs::is_empty(out)) << c.presentFile;
        cancelFlag = false;
    }
}

TEST_F(ExportPackage, PendingCancellationDiscardsThePackage)
{
    cancelFlag = true;
    try {
        exportPackage(song, analysis, kCuts, kFade, 2, out, "cancion.mp3");
        FAIL() << "the export ignored the cancel flag";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), kCancelledMessage);
    }
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(ExportPackage, AFileThatCannotBeWrittenDiscardsThePackage)
{
    // A folder squatting on a file's name makes that one file unwritable.
    const struct {
        const char* blocked;
        const char* message;
    } cases[] = {
        {"05-escuchar-uniones.wav", "No se puede escribir el WAV."},
        {"cortes.json", kReportFailedMessage},
        {"LEEME.txt", kReportFailedMessage},
        {"analisis-musical.json", kReportFailedMessage},
    };
    analysis.beats.push_back(Beat{});
    for (const auto& c : cases) {
        const TickFn block = [&] {
            const fs::path folder = packageFolder();
            if (!folder.empty())
                fs::create_directories(folder / c.blocked / "x");
        };
        EXPECT_EQ(failingExport(song, kCuts, kFade, 2, block), c.message) << c.blocked;
        EXPECT_TRUE(fs::is_empty(out)) << c.blocked;
    }
}

TEST_F(ExportPackage, AFullDiskDiscardsThePackage)
{
    // Fails the first write, then a write in the middle of the WAV files.
    for (const int64_t failingWrite : {1, 20}) {
        {
            const FailingWrites diskFull(failingWrite);
            EXPECT_EQ(failingExport(song, kCuts, kFade, 2, checkCancel), kWriteFailedMessage) << failingWrite;
        }
        EXPECT_TRUE(fs::is_empty(out)) << failingWrite;
    }
}

// A target picks the repetitions (closest) or ends the montage on its frame
// (exact); either way the masters still rebuild the montage.
TEST_F(ExportPackage, ATargetDurationShapesTheMontage)
{
    const std::string audition = "  \"audition\": \"Revisar de oido armonia, ritmo y palabras en los cortes.\"";
    const struct {
        double seconds;
        bool exact;
        int repetitions;
        uint64_t montageFrames, outroFrames;
        const char* keys;
    } cases[] = {
        {3.5, false, 2, 177600, 38400, ",\n  \"targetSec\": 3.5,\n  \"fadeOutMs\": 0\n}\n"},
        {3.0, true, 2, 144000, 4800, ",\n  \"targetSec\": 3,\n  \"fadeOutMs\": 100\n}\n"},
        {3.5, true, 2, 168000, 38400 - 9600, ",\n  \"targetSec\": 3.5,\n  \"fadeOutMs\": 600\n}\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        const fs::path folder = exportPackage(song, analysis, kCuts, kFade, 7, out, "cancion.mp3", checkCancel,
                                              DurationTarget{c.seconds, c.exact});
        const std::string cortes = readBytes(folder / "cortes.json");
        EXPECT_EQ(jsonCount(cortes, "repetitions"), uint64_t(c.repetitions));
        EXPECT_EQ(jsonCount(cortes, "montageFrames"), c.montageFrames);
        EXPECT_EQ(cortes.substr(cortes.find("  \"audition\"")), audition + c.keys);

        std::string rebuilt = wavData(folder / "01-inicio.wav");
        for (int k = 0; k < c.repetitions; ++k)
            rebuilt += wavData(folder / "02-loop.wav");
        rebuilt += wavData(folder / "03-final.wav");
        const std::string montage = wavData(folder / "04-montaje.wav");
        EXPECT_EQ(montage.size(), 6 * c.montageFrames);
        EXPECT_TRUE(montage == rebuilt) << "montage differs from its sections";
        EXPECT_EQ(wavData(folder / "03-final.wav").size(), 6 * c.outroFrames);
        if (c.exact) {
            EXPECT_EQ(montage.substr(montage.size() - 6), std::string(6, '\0')) << "the fade ends in silence";
        }
        fs::remove_all(folder);
    }

    // Without a target the file ends at "audition", as it always has.
    const fs::path plain = exportPackage(song, analysis, kCuts, kFade, 2, out, "cancion.mp3");
    const std::string cortes = readBytes(plain / "cortes.json");
    EXPECT_EQ(cortes.substr(cortes.find("  \"audition\"")), audition + "\n}\n");
    fs::remove_all(plain);

    for (const auto& [target, message] :
         {std::pair{DurationTarget{2.4, false},
                    "Duracion objetivo demasiado corta: el montaje minimo (inicio + un loop + final) dura 2.500 s."},
          std::pair{DurationTarget{200, true},
                    "Duracion objetivo demasiado larga: con 100 repeticiones el montaje dura 121.300 s."}}) {
        try {
            exportPackage(song, analysis, kCuts, kFade, 2, out, "cancion.mp3", checkCancel, target);
            ADD_FAILURE() << "exported for " << target.seconds;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_TRUE(fs::is_empty(out)) << target.seconds;
    }
}
