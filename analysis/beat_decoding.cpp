#include "analysis/beat_decoding.h"

#include <algorithm>
#include <cmath>

#include "base/audio_constants.h"

namespace {

constexpr double kFramesPerSecond = kSpectrogramFrameRate;
constexpr int64_t kPeakReach = 3;          // frames each side a peak must dominate
constexpr double kMergeDistance = 1.01;    // frames: adjacent peaks are one event
constexpr double kSnapDistance = 0.2;      // s from a downbeat peak to its beat
constexpr int32_t kMinMeter = 2;
constexpr int32_t kMaxMeter = 7;
constexpr double kMinInterval = 0.15;      // s, tempo intervals kept for local bpm
constexpr double kMaxInterval = 2.0;

float sigmoid(float x)
{
    return 1.0f / (1.0f + std::exp(-x));
}

// Positive local maxima; equal neighbours do not disqualify, and peaks within
// about a frame of the last one are merged into their midpoint.
std::vector<double> pickPeaks(std::span<const float> a)
{
    std::vector<double> peaks;
    const auto n = static_cast<int64_t>(a.size());
    for (int64_t f = 0; f < n; ++f) {
        const float v = a[static_cast<size_t>(f)];
        if (!(v > 0.0f) || !std::isfinite(v))
            continue;
        bool dominated = false;
        for (int64_t g = std::max<int64_t>(0, f - kPeakReach); g <= std::min(n - 1, f + kPeakReach); ++g)
            dominated = dominated || a[static_cast<size_t>(g)] > v;
        if (dominated)
            continue;
        const auto frame = static_cast<double>(f);
        if (!peaks.empty() && frame - peaks.back() <= kMergeDistance)
            peaks.back() = (peaks.back() + frame) / 2.0;
        else
            peaks.push_back(frame);
    }
    return peaks;
}

float activationAt(std::span<const float> a, double peak)
{
    return a[static_cast<size_t>(std::floor(peak))];
}

// Snaps every downbeat peak to the nearest beat (the later one on a tie) and
// returns the indices of the beats that became downbeats.
std::vector<int32_t> snapDownbeats(std::vector<Beat>& beats, std::span<const float> downbeatActivation)
{
    std::vector<int32_t> downbeats;
    if (beats.empty())
        return downbeats;
    for (const double q : pickPeaks(downbeatActivation)) {
        const double o = q / kFramesPerSecond;
        auto it = std::lower_bound(beats.begin(), beats.end(), o, [](const Beat& b, double t) { return b.time < t; });
        auto b = static_cast<int32_t>(it == beats.end() ? beats.size() - 1 : it - beats.begin());
        if (b > 0 && std::abs(beats[b - 1].time - o) < std::abs(beats[b].time - o))
            --b;
        if (std::abs(beats[b].time - o) >= kSnapDistance)
            continue;
        beats[b].downbeatProbability = sigmoid(activationAt(downbeatActivation, q));
        if (downbeats.empty() || downbeats.back() != b)
            downbeats.push_back(b);
    }
    return downbeats;
}

// The most frequent bar length in beats; 4 wins every tie it is part of,
// otherwise the shorter bar does.
int32_t meterOf(const std::vector<int32_t>& downbeats)
{
    int counts[kMaxMeter + 1] = {};
    for (size_t i = 1; i < downbeats.size(); ++i) {
        const int32_t gap = downbeats[i] - downbeats[i - 1];
        if (gap >= kMinMeter && gap <= kMaxMeter)
            ++counts[gap];
    }
    int32_t meter = 4;
    int best = counts[4];
    for (int32_t i = kMinMeter; i <= kMaxMeter; ++i) {
        if (counts[i] > best) {
            meter = i;
            best = counts[i];
        }
    }
    return meter;
}

// Upper median of the intervals around beat m, each averaged over 2 to 5 beats.
double localBpm(const std::vector<Beat>& beats, int64_t m)
{
    const auto n = static_cast<int64_t>(beats.size());
    std::vector<double> intervals;
    for (int64_t i = std::max<int64_t>(0, m - 4); i < std::min(m + 2, n - 2); ++i) {
        for (int64_t k = 2; k <= 5 && i + k < n; ++k) {
            const double e = (beats[i + k].time - beats[i].time) / static_cast<double>(k);
            if (e > kMinInterval && e < kMaxInterval)
                intervals.push_back(e);
        }
    }
    if (intervals.empty())
        return 0.0;
    std::sort(intervals.begin(), intervals.end());
    return 60.0 / intervals[intervals.size() / 2];
}

} // namespace

DecodedBeats decodeBeats(std::span<const float> beatActivation, std::span<const float> downbeatActivation,
                         double songDuration)
{
    DecodedBeats out;
    for (const double p : pickPeaks(beatActivation)) {
        const double t = p / kFramesPerSecond;
        if (t >= songDuration)
            continue;
        Beat beat;
        beat.time = t;
        beat.confidence = sigmoid(activationAt(beatActivation, p));
        beat.loudness = -90.0f;
        out.beats.push_back(beat);
    }

    const std::vector<int32_t> downbeats = snapDownbeats(out.beats, downbeatActivation);
    out.meter = meterOf(downbeats);

    std::vector<Beat>& beats = out.beats;
    const auto n = static_cast<int64_t>(beats.size());
    int64_t last = downbeats.empty() ? 0 : downbeats.front();
    int32_t bar = 0;
    for (int64_t m = 0; m < n; ++m) {
        Beat& beat = beats[static_cast<size_t>(m)];
        if (beat.downbeatProbability > 0.5f && m >= last) {
            ++bar;
            beat.phase = 0;
            last = m;
        } else {
            // Beats before the first downbeat count backwards from it.
            beat.phase = static_cast<int32_t>(((m - last) % out.meter + out.meter) % out.meter);
        }
        beat.bar = bar;
        beat.duration = (m + 1 < n ? beats[static_cast<size_t>(m + 1)].time : songDuration) - beat.time;
        beat.bpm = localBpm(beats, m);
    }
    return out;
}
