#include "app/document.h"

#include <stdexcept>

#include "app/beat_snap.h"
#include "app/duration_text.h"
#include "app/window_texts.h"
#include "base/audio_constants.h"
#include "base/cancel.h"
#include "base/utf.h"

bool songLoaded(const Document& doc)
{
    return !doc.song.audio.empty();
}

uint64_t songFrames(const Document& doc)
{
    return doc.song.audio.size() / 2;
}

double songDuration(const Document& doc)
{
    return static_cast<double>(songFrames(doc)) / kSongFrameRate;
}

namespace {

bool isCut(CutField field)
{
    return field == CutField::Start || field == CutField::End || field == CutField::Outro;
}

// What the program writes into a field is what the field then shows, so the
// number kept is the one its text reads back as (cuts to 6 decimals).
void show(Document& doc, CutField field, double value)
{
    fieldOf(doc.entry, field) = readTyped(shownText(field, value));
}

void showCuts(Document& doc, const Loop& cuts)
{
    show(doc, CutField::Start, cuts.start);
    show(doc, CutField::End, cuts.end);
    show(doc, CutField::Outro, cuts.outro);
}

// The cuts and repetitions as typed, or nothing when a field does not read
// or a rule refuses them.
std::optional<CutSettings> typedSettings(const Document& doc)
{
    try {
        return checkedSettings(doc);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// What the typed target makes of these cuts; nothing without a target that
// reads, or for one the cuts cannot reach.
std::optional<TargetFit> typedFit(const Document& doc, const CutFrames& cuts)
{
    const TypedTarget& target = doc.entry.target;
    if (!target.readable || !target.seconds)
        return std::nullopt;
    try {
        return fitTarget(cuts, {*target.seconds, doc.entry.exact});
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void followTarget(Document& doc)
{
    if (!songLoaded(doc))
        return;
    // The repetitions field itself may not read: the cuts alone decide.
    Loop cuts;
    try {
        cuts = enteredCuts(doc.entry);
        validateCuts(songFrames(doc), cuts.start, cuts.end, cuts.outro, enteredFadeSeconds(doc.entry));
    } catch (const std::exception&) {
        return;
    }
    if (const std::optional<TargetFit> fit = typedFit(doc, cutFramesOf(cuts, static_cast<int64_t>(songFrames(doc)))))
        show(doc, CutField::Repetitions, fit->repetitions);
}

void dropSong(Document& doc)
{
    doc.song = Song{};
    doc.songPeak = -1.0f;
    doc.sessionToRestore.reset();
    ++doc.songGeneration;
}

// The song and its candidates take the window's place; the best candidate's
// cuts are shown, or, without any, cuts at fixed fractions of the song.
void adoptSong(Document& doc, LoadOutcome& outcome)
{
    doc.song.audio.swap(outcome.audio);
    doc.song.analysis = std::move(outcome.analysis);
    doc.songPeak = outcome.peak;
    ++doc.songGeneration;
    doc.view.playhead = 0.0;
    const double duration = songDuration(doc);
    if (!doc.song.analysis.loops.empty()) {
        showCuts(doc, doc.song.analysis.loops.front());
        doc.candidate = 1;
    } else {
        showCuts(doc, cutRecord(0.15 * duration, 0.65 * duration, 0.78 * duration));
        doc.candidate = 0;
    }
    followTarget(doc);
}

// A session's cuts replace the candidate's once its song has loaded; cuts
// that do not fit the song are refused with the cut rule's message.
std::string restoreSession(Document& doc)
{
    const OpenedSession session = *doc.sessionToRestore;
    doc.sessionToRestore.reset();
    try {
        const Loop& cuts = session.cuts;
        validateCuts(songFrames(doc), cuts.start, cuts.end, cuts.outro, session.crossfadeMs / 1000.0);
        showCuts(doc, cuts);
        doc.candidate = 0;
        show(doc, CutField::Crossfade, session.crossfadeMs);
        show(doc, CutField::Repetitions, session.repetitions);
        // What the field shows is what is kept, as for the cuts.
        const std::optional<double>& target = session.target.seconds;
        doc.entry.target = target ? readTypedTarget(shownTargetText(*target)) : TypedTarget{};
        doc.entry.exact = session.target.exact;
        followTarget(doc);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

Notice adoptLoad(Document& doc, LoadOutcome& outcome, std::string error)
{
    if (!outcome.loaded) {
        dropSong(doc);
    } else {
        adoptSong(doc, outcome);
        if (doc.sessionToRestore && error.empty())
            error = restoreSession(doc);
    }
    if (!error.empty())
        return {error, true};
    return {doc.song.analysis.beats.empty() ? kNoPulseStatus : kReadyStatus, false};
}

} // namespace

void typeField(Document& doc, CutField field, std::u16string_view text)
{
    fieldOf(doc.entry, field) = readTyped(text);
    if (isCut(field))
        doc.candidate = 0;
    if (field != CutField::Repetitions)
        followTarget(doc);
}

void typeTarget(Document& doc, std::u16string_view text)
{
    doc.entry.target = readTypedTarget(text);
    followTarget(doc);
}

void setExact(Document& doc, bool exact)
{
    doc.entry.exact = exact;
    followTarget(doc);
}

double placeCut(Document& doc, CutField field, double t)
{
    show(doc, field, snappedTime(doc.song.analysis, t, doc.magnet));
    if (isCut(field))
        doc.candidate = 0;
    followTarget(doc);
    return fieldOf(doc.entry, field).value;
}

void chooseCandidate(Document& doc, int row)
{
    const auto& loops = doc.song.analysis.loops;
    if (row >= 1 && static_cast<size_t>(row) <= loops.size()) {
        showCuts(doc, loops[static_cast<size_t>(row) - 1]);
        doc.candidate = row;
        followTarget(doc);
    } else if (row == 0) {
        doc.candidate = 0;
    }
}

CutSettings checkedSettings(const Document& doc)
{
    return checkedSettings(doc.entry, songFrames(doc));
}

ExportRequest checkedExport(const Document& doc)
{
    ExportRequest request{checkedSettings(doc), std::nullopt};
    const TypedTarget& target = doc.entry.target;
    if (!target.readable)
        throw std::runtime_error(kInvalidDurationMessage);
    if (target.seconds) {
        request.target = DurationTarget{*target.seconds, doc.entry.exact};
        // Its messages now, before a job starts, rather than from the job.
        fitTarget(cutFramesOf(request.settings.cuts, static_cast<int64_t>(songFrames(doc))), *request.target);
    }
    return request;
}

MontageLine montageLine(const Document& doc)
{
    if (!songLoaded(doc))
        return {};
    const std::optional<CutSettings> settings = typedSettings(doc);
    if (!settings)
        return {};
    const CutFrames cuts = cutFramesOf(settings->cuts, static_cast<int64_t>(songFrames(doc)));
    // With a target the export takes the target's repetitions (and, exact,
    // ends at it), whatever the field was last given.
    if (const std::optional<TargetFit> fit = typedFit(doc, cuts))
        return {kMontageLabel + montageClockText(fit->montageFrames), differenceText(fit->differenceFrames)};
    return {kMontageLabel + montageClockText(montageFrames(cuts, settings->repetitions)), {}};
}

PlaybackInputs playbackInputs(const Document& doc)
{
    PlaybackInputs inputs;
    inputs.audio = &doc.song.audio;
    inputs.analysis = &doc.song.analysis;
    inputs.cuts = enteredCuts(doc.entry);
    inputs.fadeSeconds = enteredFadeSeconds(doc.entry);
    inputs.peak = doc.songPeak;
    return inputs;
}

Notice adoptResult(Document& doc, Result& result)
{
    doc.view.busy = false;
    const std::string error = utf16ToUtf8(result.error);
    // A failure after the user asked to cancel needs no box of its own.
    const bool quiet = result.cancelled || cancelFlag.load();
    Notice notice;
    if (auto* load = std::get_if<LoadOutcome>(&result.work)) {
        notice = adoptLoad(doc, *load, error);
    } else if (!error.empty()) {
        notice = {error, true};
    } else {
        doc.lastExportFolder = std::get<ExportOutcome>(result.work).folder;
        notice = {kExportedStatus + pathToUtf8(doc.lastExportFolder), false};
    }
    if (quiet)
        notice.messageBox = false;
    return notice;
}

void saveDocumentSession(const Document& doc, const std::filesystem::path& file,
                         const std::filesystem::path& outputFolder)
{
    const ExportRequest request = checkedExport(doc);
    SessionTarget target;
    if (request.target)
        target = {request.target->seconds, request.target->exact};
    saveSession(file, request.settings, songFrames(doc), doc.song.path, outputFolder, target);
}

std::filesystem::path openDocumentSession(Document& doc, const std::filesystem::path& file,
                                          std::filesystem::path& outputFolder)
{
    OpenedSession session = openSession(file, outputFolder);
    // For this run only; the settings file keeps the user's own choice.
    if (!session.outputFolder.empty())
        outputFolder = session.outputFolder;
    doc.sessionToRestore = session;
    return session.song;
}
