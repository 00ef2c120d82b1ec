// The bytes the program leaves on disk stay the bytes it always wrote: an
// export package from the window's path (typed fields, the document, the
// export job), an analysis cache file, a session file and the settings file,
// each from the fixed inputs of golden_inputs.h, compared by SHA-256 with the
// files the program wrote before the window got its document.
//
// How the expected digests were made: a throwaway driver, built against the
// tree of commit 2613256 (before the document, the cut settings as numbers
// and the game-loop files), fed the same inputs through that tree's own
// calls (readCutFields and readNumberField on the typed texts, exportPackage,
// writeCachedAnalysis, saveSession with the field texts, storeOutputFolder on
// a file holding only the byte-order mark), and sha256sum over what it wrote.
// The digests were the same from the native and the Windows build of this
// test. Files added to the package since then (06-bucle-juego.*,
// marcadores.txt) are not compared here.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/settings.h"
#include "app/song_jobs.h"
#include "base/utf.h"
#include "cache/analysis_cache.h"
#include "golden_inputs.h"
#include "platform/ini_file.h"
#include "platform/sha256.h"
#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;

std::string sha256Of(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    platform::Sha256 state;
    uint8_t digest[platform::kSha256Bytes] = {};
    const bool hashed = platform::sha256Open(state) &&
                        platform::sha256Add(state, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) &&
                        platform::sha256Finish(state, digest);
    platform::sha256Close(state);
    EXPECT_TRUE(hashed) << file;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : digest) {
        hex.push_back(kHex[byte >> 4]);
        hex.push_back(kHex[byte & 15]);
    }
    return hex;
}

struct FileDigest {
    const char* name;
    const char* sha256;
};

// The files of a package that must not change, in the order it writes them.
constexpr size_t kComparedFiles = 8;

struct PackageCase {
    const char* label;
    const golden::TypedCuts* typed;
    const char* engine;
    BeatModelKind model;
    std::array<FileDigest, kComparedFiles> files;
};

const fs::path kSessionSong = pathFromUtf8("C:\\M\xC3\xBAsica\\demo canci\xC3\xB3n.wav");
const fs::path kSessionOutput = pathFromUtf8("D:\\Loops \xC3\xB1");

// The document as the window holds it after a load, with the user's texts typed in.
Document typedDocument(const golden::TypedCuts& typed, const fs::path& songPath, std::vector<float> audio,
                       Analysis analysis)
{
    Document doc;
    doc.song.path = songPath;
    doc.song.audio = std::move(audio);
    doc.song.analysis = std::move(analysis);
    doc.model = doc.song.analysis.model;
    typeField(doc, CutField::Start, typed.start);
    typeField(doc, CutField::End, typed.end);
    typeField(doc, CutField::Outro, typed.outro);
    typeField(doc, CutField::Crossfade, typed.crossfade);
    typeField(doc, CutField::Repetitions, typed.repetitions);
    return doc;
}

const PackageCase kPackages[] = {
    {"trained model, plain texts", &golden::kPlainCuts, kEngineNeural, BeatModelKind::Trained,
     {{{"01-inicio.wav", "4390cdb7334bf72fe4a1d0b6940d6ee76d1ebdcd9ebf92fa9e139d4023eb931d"},
       {"02-loop.wav", "3921edce6f7c61f99bf4a33e1f7ed73cfd9b51431671ebc7fa5211d3028b80b2"},
       {"03-final.wav", "6d46dfd00f311c188ac6ef539209257e2a619ed246f6542130470af5e0cffc84"},
       {"04-montaje.wav", "43b6da66e7b89e0eb0b0207548fb4c50e569a1e6934db6b0e090438ca0998241"},
       {"05-escuchar-uniones.wav", "e5fa6e118e4dbd6002dc71dc147272c2777372cf568eebd102f9d7ae008ffab8"},
       {"cortes.json", "26c533398105aa1b097c941a98c1b24997c2bd08d687cb08c668660b5833e404"},
       {"LEEME.txt", "13ee5ee5fb465ebca64195072cdbf1dee87a619d5a11bc6450c4fce25a68045d"},
       {"analisis-musical.json", "f6fcc8a69fd47927e2b1411d09eaf950182436f65ca8e040c93e5ab2d72b50da"}}}},
    {"stand-in model from the cache, comma and nine decimals", &golden::kFineCuts, kEngineStandInCache,
     BeatModelKind::StandIn,
     {{{"01-inicio.wav", "3151db40f0b720fed3698bb6d5f2eda34b7d796b9511ce60ec9c65429b0b434d"},
       {"02-loop.wav", "cdfc23c3d5c2848922f725b08ee9cdc8ad7fa3bab2cbb1426b0a1dcc623cf961"},
       {"03-final.wav", "cff4a622d72d9aebf9b8c75d67e665a0248da2c45ca4ccc0ecbc1cb8d72e64ea"},
       {"04-montaje.wav", "7affef3b3efb16f2b6f4af2cf1e1289b9bd6450eb7bf19971efe89192171bfb2"},
       {"05-escuchar-uniones.wav", "6c7ea9011fb797201c89a4131bec7a2dd7c7f6a5bec24c39d1bdceb4600f9ef0"},
       {"cortes.json", "5d2281f6f537a83b4cf5cc71565d345800ad557ba30ebcf5f4f37b5b750d089b"},
       {"LEEME.txt", "13ee5ee5fb465ebca64195072cdbf1dee87a619d5a11bc6450c4fce25a68045d"},
       {"analisis-musical.json", "34480f521908c90c02a34c979b86f0267fa703b6024d147cef4190b6697b2c64"}}}},
};

constexpr const char* kCacheDigest = "d848f460dfaec0012465e8d940c0124a99164c5557be6f7ef6c7ac052d95d2bb";

struct SessionCase {
    const char* label;
    const golden::TypedCuts* typed;
    const char* sha256;
};

const SessionCase kSessions[] = {
    {"plain texts", &golden::kPlainCuts, "08419c580d3d36725a93ee41455d3c464f0b1efebc95c3dc397fa486fb091b3b"},
    {"comma and nine decimals", &golden::kFineCuts, "34f8bcab23da8789a9dd793f2bf623f6b45164d56ecfc7a5c3ca4ff5adaf9816"},
    {"crossfade on a rounding edge", &golden::kEdgeFadeCuts, "2fc4542b5e8a8eff865b512d74a7eef8fa2ebaf8e05348c04a00d725af6f517c"},
};

constexpr const char* kSettingsDigest = "0ca52a9f4a4886735be5d1130fecbf5685b311507811302eba06a54e627ee606";

TEST(ByteIdentity, ExportPackagesFromTheWindowsPathKeepTheirBytes)
{
    const std::vector<float> audio = golden::songAudio();
    for (const PackageCase& c : kPackages) {
        SCOPED_TRACE(c.label);
        testsupport::TempFolder out("golden-package");
        Analysis analysis = golden::analysis(c.engine);
        analysis.model = c.model;
        const Document doc = typedDocument(*c.typed, fs::path("songs") / pathFromUtf8(golden::kSongName), audio,
                                           std::move(analysis));
        Job job = exportJob(doc.song.audio, doc.song.analysis, checkedSettings(doc), out.path, doc.song.path);
        Result result;
        result.work = job.kind;
        job.run(result);
        const fs::path folder = std::get<ExportOutcome>(result.work).folder;
        ASSERT_FALSE(folder.empty());
        for (const FileDigest& file : c.files)
            EXPECT_EQ(sha256Of(folder / file.name), file.sha256) << file.name;
    }
}

TEST(ByteIdentity, AnalysisCacheFileKeepsItsBytes)
{
    testsupport::TempFolder out("golden-cache");
    writeCachedAnalysis(out.path / "cache.bin", golden::songAudio(), golden::analysis(kEngineNeural));
    EXPECT_EQ(sha256Of(out.path / "cache.bin"), kCacheDigest);
}

TEST(ByteIdentity, SessionFilesSavedFromTypedFieldsKeepTheirBytes)
{
    for (const SessionCase& c : kSessions) {
        SCOPED_TRACE(c.label);
        testsupport::TempFolder out("golden-session");
        const Document doc = typedDocument(*c.typed, kSessionSong, golden::songAudio(), golden::analysis(kEngineNeural));
        saveDocumentSession(doc, out.path / "proyecto.tamrelloop", kSessionOutput);
        EXPECT_EQ(sha256Of(out.path / "proyecto.tamrelloop"), c.sha256);
    }
}

TEST(ByteIdentity, SettingsFileKeepsItsBytesWhenTheOutputFolderIsReplaced)
{
    testsupport::TempFolder out("golden-settings");
    Folders folders;
    folders.settingsFile = out.path / "settings.ini";
    platform::startUtf16IniFile(folders.settingsFile);
    storeOutputFolder(folders, pathFromUtf8("D:\\M\xC3\xBAsica\\Tamrel Loops \xC3\xB1"));
    storeOutputFolder(folders, pathFromUtf8("E:\\otra"));
    EXPECT_EQ(sha256Of(folders.settingsFile), kSettingsDigest);
}

} // namespace
