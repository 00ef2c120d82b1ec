#include "cli/console_program.h"

#include "app/jobs.h"
#include "app/running.h"
#include "app/settings.h"
#include "base/cancel.h"
#include "base/utf.h"
#include "cli/batch.h"
#include "cli/command_line.h"
#include "cli/song_search.h"

namespace {

constexpr const char* kNoSongsMessage =
    "tamrel: No se encontro ninguna cancion (MP3, WAV, FLAC, OGG, M4A, AAC, OPUS, WMA).\n";

std::vector<std::filesystem::path> inputPaths(const CliRequest& request)
{
    std::vector<std::filesystem::path> inputs;
    for (const std::string& input : request.inputs)
        inputs.push_back(pathFromUtf8(input));
    return inputs;
}

ProgressStyle progressStyle(const CliRequest& request, const Console& console)
{
    if (request.quiet)
        return ProgressStyle::None;
    return console.errIsTerminal ? ProgressStyle::Bar : ProgressStyle::Lines;
}

std::vector<std::string> songNames(const std::vector<std::filesystem::path>& songs)
{
    std::vector<std::string> names;
    for (const std::filesystem::path& song : songs)
        names.push_back(pathToUtf8(song.filename()));
    return names;
}

int runRequest(const CliRequest& request, const Console& console, const Folders& folders)
{
    const std::vector<std::filesystem::path> songs = findSongs(inputPaths(request));
    if (songs.empty()) {
        console.err(kNoSongsMessage);
        return 1;
    }
    BatchPlan plan;
    plan.command = request.command;
    plan.choice = request.choice;
    plan.outputFolder = request.outputFolder.empty() ? folders.outputFolder : pathFromUtf8(request.outputFolder);
    // The same cache as the window's, so a song analysed in one is ready in the other.
    plan.folders = {installFolder(), folders.workFolder, settingsFolder(folders) / "analysis-v3"};
    plan.model = identifyInstalledModel(installFolder(), [] {});
    plan.jobs = request.jobs > 0 ? static_cast<unsigned>(request.jobs)
                                 : defaultJobCount(console.cores, console.availableMemory);

    ProgressDisplay display;
    display.style = progressStyle(request, console);
    display.out = console.out;
    display.err = console.err;
    display.columns = console.columns;
    startProgress(display, songNames(songs));
    const BatchOutcome outcome = runBatch(plan, songs, display);
    endProgress(display);
    if (outcome.cancelled)
        console.err(std::string("tamrel: ") + kCancelledMessage + "\n");
    return outcome.failed > 0 || outcome.cancelled ? 1 : 0;
}

} // namespace

int runConsoleProgram(const std::vector<std::string>& args, const Console& console)
{
    const CliParse parse = parseCommandLine(args, TAMREL_VERSION_TEXT);
    if (!parse.request) {
        (parse.exitCode == 0 ? console.out : console.err)(parse.text);
        return parse.exitCode;
    }
    Folders folders;
    int exitCode = 1;
    try {
        loadSettings(folders);
        exitCode = runRequest(*parse.request, console, folders);
    } catch (const std::exception& error) {
        console.err(std::string("tamrel: ") + error.what() + "\n");
    } catch (...) {
        console.err(std::string("tamrel: ") + kUnexpectedErrorMessage + "\n");
    }
    removeWorkFolder(folders.workFolder);
    return exitCode;
}
