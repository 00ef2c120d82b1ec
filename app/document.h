// What the window shows and edits, with no window: the song, the cuts as
// numbers, the candidate chosen, the playback mode and playhead, the magnet
// and the state of the one job. The window turns the user's actions into
// these operations and draws what they leave; every rule lives here or
// below, so all of it is tested without a window.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "analysis/model_identity.h"
#include "app/cut_entry.h"
#include "app/jobs.h"
#include "app/song.h"
#include "playback/playback_control.h"
#include "render/duration_target.h"
#include "session/session_file.h"

struct Document {
    Song song;
    float songPeak = -1.0f;  // the loudest sample of the song, measured by the load job
    CutEntry entry;
    int candidate = 0;  // the list's row: 0 the manual cuts, k the analysis' loop k - 1
    PlaybackView view;  // playhead, mode of the next start, busy
    bool magnet = true;
    BeatModelKind model = BeatModelKind::Trained;
    std::filesystem::path lastExportFolder;
    bool closePending = false;
    // A session's cuts wait here for its song to load.
    std::optional<OpenedSession> sessionToRestore;
    // Counts the songs adopted and dropped, so what a view keeps for one
    // song is not shown for the next.
    uint64_t songGeneration = 0;
};

// What the window must say after an operation: the status line, and whether
// the same text also goes into a message box.
struct Notice {
    std::string status;  // UTF-8; empty: leave the status line alone
    bool messageBox = false;
};

bool songLoaded(const Document& doc);
uint64_t songFrames(const Document& doc);
double songDuration(const Document& doc);

// The user typed into a field. A, B or O switch the list to the manual cuts.
// While a target duration reads, every change of the cuts makes the
// repetitions follow it (typing the repetitions themselves does not).
void typeField(Document& doc, CutField field, std::u16string_view text);
// The user typed a target duration or switched "Exacta": the repetitions
// become the ones the export will take for that target (the closest montage,
// or with Exacta the shortest not below it); a target the cuts cannot reach
// leaves them as they are, for the export to say why.
void typeTarget(Document& doc, std::u16string_view text);
void setExact(Document& doc, bool exact);
// The program placed a cut (a key, a drag, a double click): A, B or O take t,
// snapped to the nearest beat while the magnet is on, and the list goes to
// the manual cuts. Returns the time written.
double placeCut(Document& doc, CutField field, double t);
// A row of the list: a candidate writes its A, B and O; the manual row keeps them.
void chooseCandidate(Document& doc, int row);

// What an export or a session takes; throws the message the user must see.
CutSettings checkedSettings(const Document& doc);
// What the export and the session save take: the checked cuts and, when one
// is typed, the target. The messages come in the order of the panel: the
// cut fields' (checkedSettings), then a target that does not read, then a
// target the cuts cannot reach (below one repetition's montage, above a
// hundred's, or, exact, inside a loop pass).
struct ExportRequest {
    CutSettings settings;
    std::optional<DurationTarget> target;
};
ExportRequest checkedExport(const Document& doc);

// The live line under the repetitions: the montage's length ("Montaje
// 03:12.500") from the fields as typed, and, when a target is reached, the
// montage's distance from it ("+1.8 s"). Both empty when the fields give no
// montage (no song, a field that does not read, cuts the rule refuses).
struct MontageLine {
    std::string length;
    std::string difference;  // empty without a reachable target
};
MontageLine montageLine(const Document& doc);
// The song and cuts as playback takes them; throws the number message.
PlaybackInputs playbackInputs(const Document& doc);

// Adopting a job's result: a load replaces the song (or drops it when the
// load failed), an export remembers its folder. busy must already be clear.
Notice adoptResult(Document& doc, Result& result);

// Sessions: saving the current cuts; opening one keeps its cuts for the song
// it names, which the caller then loads. Both throw the user's message.
void saveDocumentSession(const Document& doc, const std::filesystem::path& file,
                         const std::filesystem::path& outputFolder);
std::filesystem::path openDocumentSession(Document& doc, const std::filesystem::path& file,
                                          std::filesystem::path& outputFolder);
