// Session files ("projects"): the song, the output folder, the three cuts,
// the crossfade and the repetitions of one piece of work, in a UTF-16 INI
// file with one section. The window asks for the file and applies the result.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "analysis/analysis_model.h"
#include "analysis/cut_rule.h"

inline constexpr std::u16string_view kSessionSection = u"Orvane";

inline constexpr const char* kSessionSavedMessage = "Proyecto guardado. Conserva tambien la cancion original.";
inline constexpr const char* kSessionWriteFailedMessage = "No se pudo guardar el proyecto.";
inline constexpr const char* kSessionSongMovedMessage =
    "La cancion del proyecto cambio de lugar. Abrela y ajusta los tiempos guardados.";
inline constexpr const char* kSessionOutOfRangeMessage = "Proyecto con ajustes fuera de rango.";
// The window's name for the repetitions rule's message, until it calls checkedRepetitions itself.

// The target duration, already read, and whether the montage ends exactly at
// it; stored under "Target" and "Exact" only when there is a target, so a
// session without one is saved exactly as before.
struct SessionTarget {
    std::optional<double> seconds;
    bool exact = false;
};

// Writes the session of the loaded song (songFrames long, 0 when none is
// loaded) into file, replacing it. Throws the cut-validation, repetitions or
// out-of-range message before the file is touched, and
// kSessionWriteFailedMessage (also when file is the song itself, which is
// left untouched); a failure while writing leaves the keys written before it
// in the file.
void saveSession(const std::filesystem::path& file, const CutSettings& settings, uint64_t songFrames,
                 const std::filesystem::path& songPath, const std::filesystem::path& outputFolder,
                 const SessionTarget& target = {});

// What an opened session hands to the window: the output folder applies at
// once, the cuts, crossfade and repetitions once the song has loaded.
struct OpenedSession {
    std::filesystem::path song;          // an existing regular file when read
    Loop cuts;                           // cut record: A, B, O; not yet checked against the song
    int32_t crossfadeMs = 60;            // 5 ... 250
    int32_t repetitions = 2;             // 1 ... 100
    std::filesystem::path outputFolder;  // the stored folder, else the current one
    SessionTarget target;                // none in files saved without one
};

// Reads a session file. Throws kSessionSongMovedMessage when the song is not
// an existing regular file (before anything else is read), the standard
// conversion errors ("stod", "stoi") for values that are not numbers,
// kSessionOutOfRangeMessage, and file-system errors from querying the song.
// Value of key in section "Orvane" of an INI file, empty when absent.
std::u16string readIniValue(const std::filesystem::path& iniFile, std::u16string_view key);

OpenedSession openSession(const std::filesystem::path& file, const std::filesystem::path& currentOutputFolder);
