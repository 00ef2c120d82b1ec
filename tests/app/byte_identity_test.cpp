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
     {{{"01-inicio.wav", "2bf9570371579782568d788dd77807ed87bdd49985b20f50e281c08ee3524757"},
       {"02-loop.wav", "03746d7aee7a7b10aaa5b2413029358032ae4f385703ac2a54df03c4840afbf4"},
       {"03-final.wav", "fe3971121d5c01ad42b279bf6677bdeef15f141b4eb9ec359d8bd22d3f97f7cf"},
       {"04-montaje.wav", "56b574f6e1dddee5bed3b021397cbd710b7b1f701f91a295fb719593ca2d0acb"},
       {"05-escuchar-uniones.wav", "b03d2fc20ff69ea59aa3cdb52ba0c809d339f67381a28a132a709cfe9d43536f"},
       {"cortes.json", "d6e07a0e6678c2237f2eb7e0566a844d086971a1d421b3d3b65df19aa11e16f6"},
       {"LEEME.txt", "13ee5ee5fb465ebca64195072cdbf1dee87a619d5a11bc6450c4fce25a68045d"},
       {"analisis-musical.json", "f6fcc8a69fd47927e2b1411d09eaf950182436f65ca8e040c93e5ab2d72b50da"}}}},
    {"stand-in model from the cache, comma and nine decimals", &golden::kFineCuts, kEngineStandInCache,
     BeatModelKind::StandIn,
     {{{"01-inicio.wav", "f0ad35371ee5b17579c4ee071544b3a97b296fab822ddf7bffa5bb2e3bb26680"},
       {"02-loop.wav", "bad066ce1d09afdfc9ba10ce0a3b81306b17fec21607c969ebabc7b3e153df82"},
       {"03-final.wav", "7e423a1ec3bf8a635cf300b1e7b7442b2aed11e7c6dbdb718954a0bf70068af3"},
       {"04-montaje.wav", "1f39d00fa07576509d33a2d03c6b260f00fd5447cbfbf777d166c7890371b0e7"},
       {"05-escuchar-uniones.wav", "761e6a1814d2cd06976b69c039239cbcbcc0a93a833aa7c0dc515de2a8e882a5"},
       {"cortes.json", "37612668c86bdf5cf651fec167ed81d35e4c2d8a0eee52c0926fe9a36a438901"},
       {"LEEME.txt", "13ee5ee5fb465ebca64195072cdbf1dee87a619d5a11bc6450c4fce25a68045d"},
       {"analisis-musical.json", "34480f521908c90c02a34c979b86f0267fa703b6024d147cef4190b6697b2c64"}}}},
};

constexpr const char* kCacheDigest = "b475f93c8de8421cebc8e864e13c67754a89ee494f7982781c43ef60a506fcac";

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
