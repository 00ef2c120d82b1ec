// Progress of a batch on the error stream: a one-line bar redrawn in place
// when that stream is a terminal, plain lines when it is not, or nothing.
// Every write of the batch, results included, goes through here, so that a
// result or an error line never lands in the middle of the bar.
#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ProgressStyle { None, Lines, Bar };

using TextSink = std::function<void(std::string_view)>;

struct SongProgress {
    std::string name;   // file name, UTF-8
    std::string stage;  // the last stage message
    int percent = 0;
    bool running = false;
    bool finished = false;
};

struct ProgressDisplay {
    ProgressStyle style = ProgressStyle::None;
    TextSink out;      // results
    TextSink err;      // progress and errors
    int columns = 80;  // width of the terminal the bar is drawn in
    std::mutex mutex;
    std::vector<SongProgress> songs;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDraw;
    bool barShown = false;
};

void startProgress(ProgressDisplay& display, const std::vector<std::string>& songNames);
void reportStage(ProgressDisplay& display, size_t song, int percent, const std::string& stage);
void reportFinished(ProgressDisplay& display, size_t song);
void writeResult(ProgressDisplay& display, std::string_view line);
void writeError(ProgressDisplay& display, std::string_view line);
// Leaves the terminal's line clean for whatever follows the batch.
void endProgress(ProgressDisplay& display);

// One frame of the bar, exactly columns - 1 terminal cells wide (wide East
// Asian characters take two cells, combining accents none):
//   [######--------------]  30%  2/6  name · stage · quedan 1:05
// secondsLeft is empty while no estimate can be made yet.
std::string barFrame(double fraction, size_t finished, size_t total, std::string_view name, std::string_view stage,
                     std::optional<double> secondsLeft, int columns);
