#include "cli/progress_display.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBarCells = 20;
// Redraws come at most this often; the last frame before a result is drawn anyway.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Too little of the batch is done before this for an estimate to mean anything.
constexpr double kEstimateFrom = 0.02;

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The code point that starts at text[i] (a stray byte stands for itself);
// i moves past it.
char32_t nextCodePoint(std::string_view text, size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0xC0)
        return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t code = lead & (0x3F >> extra);
    for (int k = 0; k < extra && i < text.size() && isContinuationByte(text[i]); ++k)
        code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    return code;
}

// Terminal cells a code point takes: none for a combining accent (a name
// written as a letter plus its accent), two for the wide East Asian
// characters, one for the rest.
size_t cellsOf(char32_t c)
{
    if (c >= 0x0300 && c <= 0x036F)
        return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
                      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
                      (c >= 0x1F300 && c <= 0x1F64F) || (c >= 0x1F900 && c <= 0x1F9FF) ||
                      (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

size_t cells(std::string_view text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size();)
        count += cellsOf(nextCodePoint(text, i));
    return count;
}

// The text cut to at most width cells, never inside a character.
std::string fitted(std::string_view text, size_t width)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        count += cellsOf(nextCodePoint(text, i));
        if (count > width)
            return std::string(text.substr(0, start));
    }
    return std::string(text);
}

std::string clock(double seconds)
{
    const long total = std::lround(std::max(0.0, seconds));
    const std::string secs = std::to_string(total % 60);
    return std::to_string(total / 60) + ":" + (secs.size() < 2 ? "0" : "") + secs;
}

double batchFraction(const ProgressDisplay& display)
{
    double sum = 0.0;
    for (const SongProgress& song : display.songs)
        sum += song.finished ? 1.0 : song.percent / 100.0;
    return display.songs.empty() ? 1.0 : sum / static_cast<double>(display.songs.size());
}

// The song the bar names: the running one that moved last is not tracked,
// so the first running one stands for the batch.
const SongProgress* shownSong(const ProgressDisplay& display)
{
    for (const SongProgress& song : display.songs) {
        if (song.running)
            return &song;
    }
    return nullptr;
}

size_t finishedCount(const ProgressDisplay& display)
{
    return static_cast<size_t>(
        std::count_if(display.songs.begin(), display.songs.end(), [](const SongProgress& s) { return s.finished; }));
}

void clearBar(ProgressDisplay& display)
{
    if (!display.barShown)
        return;
    std::string wipe(static_cast<size_t>(std::max(display.columns - 1, 0)) + 2, ' ');
    wipe.front() = '\r';
    wipe.back() = '\r';
    display.err(wipe);
    display.barShown = false;
}

void drawBar(ProgressDisplay& display, bool force)
{
    const auto now = std::chrono::steady_clock::now();
    if (!force && display.barShown && now - display.lastDraw < kRedrawInterval)
        return;
    display.lastDraw = now;
    const double fraction = batchFraction(display);
    const double elapsed = std::chrono::duration<double>(now - display.started).count();
    std::optional<double> left;
    if (fraction >= kEstimateFrom)
        left = elapsed * (1.0 - fraction) / fraction;
    const SongProgress* song = shownSong(display);
    std::string line = "\r";
    line += barFrame(fraction, finishedCount(display), display.songs.size(), song ? song->name : "",
                                song ? song->stage : "", left, display.columns);
    display.err(line);
    display.barShown = true;
}

} // namespace

std::string barFrame(double fraction, size_t finished, size_t total, std::string_view name, std::string_view stage,
                     std::optional<double> secondsLeft, int columns)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(std::floor(fraction * kBarCells));
    std::string percent = std::to_string(static_cast<int>(std::floor(fraction * 100.0)));
    percent.insert(0, 3 - std::min<size_t>(percent.size(), 3), ' ');
    std::string frame = "[";
    frame.append(static_cast<size_t>(filled), '#');
    frame.append(static_cast<size_t>(kBarCells - filled), '-');
    frame.append("] ").append(percent).append("%  ");
    frame.append(std::to_string(finished)).append("/").append(std::to_string(total));
    std::string tail;
    if (!name.empty())
        tail += std::string(name);
    if (!stage.empty())
        tail += (tail.empty() ? "" : " \xC2\xB7 ") + std::string(stage);
    const std::string estimate = secondsLeft ? "quedan " + clock(*secondsLeft) : "calculando";
    const size_t width = static_cast<size_t>(std::max(columns - 1, 0));
    const size_t fixed = cells(frame) + 2 + cells(estimate) + 3;
    if (!tail.empty() && fixed < width)
        frame += "  " + fitted(tail, width - fixed) + " \xC2\xB7 " + estimate;
    else
        frame += "  " + estimate;
    frame = fitted(frame, width);
    return frame + std::string(width - std::min(width, cells(frame)), ' ');
}

void startProgress(ProgressDisplay& display, const std::vector<std::string>& songNames)
{
    const std::lock_guard lock(display.mutex);
    display.songs.assign(songNames.size(), {});
    for (size_t i = 0; i < songNames.size(); ++i)
        display.songs[i].name = songNames[i];
    display.started = std::chrono::steady_clock::now();
}

void reportStage(ProgressDisplay& display, size_t song, int percent, const std::string& stage)
{
    const std::lock_guard lock(display.mutex);
    SongProgress& progress = display.songs.at(song);
    const bool newStage = !progress.running || stage != progress.stage;
    progress.running = true;
    progress.percent = std::clamp(percent, 0, 100);
    progress.stage = stage;
    if (display.style == ProgressStyle::Bar)
        drawBar(display, newStage);
    else if (display.style == ProgressStyle::Lines && newStage)
        display.err(progress.name + ": " + stage + " (" + std::to_string(progress.percent) + "%)\n");
}

void reportFinished(ProgressDisplay& display, size_t song)
{
    const std::lock_guard lock(display.mutex);
    SongProgress& progress = display.songs.at(song);
    progress.running = false;
    progress.finished = true;
    if (display.style == ProgressStyle::Bar)
        drawBar(display, true);
}

void writeResult(ProgressDisplay& display, std::string_view line)
{
    const std::lock_guard lock(display.mutex);
    clearBar(display);
    display.out(line);
    if (display.style == ProgressStyle::Bar)
        drawBar(display, true);
}

void writeError(ProgressDisplay& display, std::string_view line)
{
    const std::lock_guard lock(display.mutex);
    clearBar(display);
    display.err(line);
    if (display.style == ProgressStyle::Bar)
        drawBar(display, true);
}

void endProgress(ProgressDisplay& display)
{
    const std::lock_guard lock(display.mutex);
    clearBar(display);
}
