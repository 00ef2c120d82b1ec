#include "analysis/loop_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/loop_selection.h"
#include "analysis/tempo_agreement.h"

namespace {

// Start beats: late enough to leave an intro, early enough to leave a song after the loop.
constexpr double kEarliestStart = 1.5;
constexpr double kLatestStartShare = 0.32;
constexpr double kLatestStart = 45.0;
constexpr float kMinStartLoudness = -48.0f;
constexpr std::array<int32_t, 7> kLoopBars = {2, 4, 8, 12, 16, 24, 32};
constexpr double kShortestLoop = 6.0;
constexpr double kLongestLoop = 125.0;
// A tempo agreement of 0.65 allows about 3.6 % of tempo drift across the loop.
constexpr double kMinRhythm = 0.65;
// The outro may start within the last 35 % of the song (at most 36 s), and at least 3 s before its end.
constexpr double kOutroWindowShare = 0.35;
constexpr double kOutroWindowLimit = 36.0;
constexpr double kOutroTail = 3.0;
// Neighbourhood: four beats before, the beat itself and three after.
constexpr int kBefore = 4;
constexpr int kPairs = 8;

struct Similarity {
    double harmony = 0.0;
    double timbre = 0.0;
    double loudnessGap = 0.0;
};

struct OutroChoice {
    int32_t beat = -1;
    double score = 0.0;   // Q
    double choice = 0.0;  // Q plus a nudge toward confident downbeats
};

Similarity compareNeighbourhoods(const std::vector<Beat>& beats, const std::vector<double>& chromaEnergy, int x,
                                 int y)
{
    double cosines = 0.0;
    double distance = 0.0;
    double gap = 0.0;
    for (int k = 0; k < kPairs; ++k) {
        const int p = x - kBefore + k;
        const int q = y - kBefore + k;
        const Beat& a = beats[p];
        const Beat& b = beats[q];
        double dot = 0.0;
        for (int n = 0; n < 12; ++n) {
            dot += a.chroma[n] * b.chroma[n];
            const double d = a.mfcc[n] - b.mfcc[n];
            distance += d * d;
        }
        cosines += dot / (std::sqrt(chromaEnergy[p] * chromaEnergy[q]) + 1e-12);
        gap += std::abs(static_cast<double>(a.loudness) - static_cast<double>(b.loudness));
    }
    return {std::clamp(0.125 * cosines, 0.0, 1.0), std::exp(-0.45 * distance / 96.0), 0.125 * gap};
}

double joinScore(const Similarity& s, double tempo)
{
    return std::clamp(0.28 * s.timbre + 0.48 * s.harmony + tempo - 0.018 * s.loudnessGap, 0.0, 1.0);
}

bool startAllowed(const Beat& beat, double songDuration)
{
    const double latest = std::min(kLatestStartShare * songDuration, kLatestStart);
    return beat.time >= kEarliestStart && beat.time <= latest && beat.phase == 0 &&
           beat.loudness >= kMinStartLoudness;
}

struct Search {
    const std::vector<Beat>& beats;
    std::vector<double> chromaEnergy;
    int32_t meter;
    double outroFrom;  // earliest outro time
    double outroTo;    // latest outro time
    int outroFirst;    // first beat at or after outroFrom
    int outroLast;     // last beat an outro may start on
};

// Every beat of the outro window that matches start beat c, with its score;
// the same for every loop length, so computed once per start.
std::vector<OutroChoice> outroCandidates(const Search& s, int c)
{
    std::vector<OutroChoice> candidates;
    // An outro never starts before the loop ends, so never before c + 1 either.
    for (int n = std::max(s.outroFirst, c + 1); n <= s.outroLast; ++n) {
        const Beat& beat = s.beats[n];
        if (beat.time < s.outroFrom || beat.time > s.outroTo || beat.phase != s.beats[c].phase)
            continue;
        const Similarity sim = compareNeighbourhoods(s.beats, s.chromaEnergy, n, c);
        const Beat& before = s.beats[n - 1];
        const double bonus = before.bpm > 0.0 ? 0.24 * tempoAgreement(before.bpm, s.beats[c].bpm) : 0.0;
        const double q = joinScore(sim, bonus);
        candidates.push_back({n, q, q + 0.02 * static_cast<double>(beat.downbeatProbability)});
    }
    return candidates;
}

// Best outro at or after the loop end; the earlier beat wins a tie.
OutroChoice bestOutro(const std::vector<OutroChoice>& candidates, int loopEnd)
{
    OutroChoice best;
    for (const OutroChoice& candidate : candidates)
        if (candidate.beat >= loopEnd && (best.beat < 0 || candidate.choice > best.choice))
            best = candidate;
    return best;
}

void proposeFrom(const Search& s, int c, std::vector<Loop>& proposals)
{
    const int count = static_cast<int>(s.beats.size());
    const Beat& start = s.beats[c];
    std::vector<OutroChoice> outros;
    bool outrosReady = false;
    for (const int32_t bars : kLoopBars) {
        const int64_t endIndex = c + static_cast<int64_t>(bars) * s.meter;
        if (endIndex >= count - 4)
            break;  // longer loops end even later
        const int t = static_cast<int>(endIndex);
        const Beat& end = s.beats[t];
        const double length = end.time - start.time;
        if (length < kShortestLoop || length > kLongestLoop || end.phase != start.phase)
            continue;
        const Beat& lastOfLoop = s.beats[t - 1];
        if (!(lastOfLoop.bpm > 0.0 && start.bpm > 0.0))
            continue;
        const double rhythm = tempoAgreement(lastOfLoop.bpm, start.bpm);
        if (rhythm < kMinRhythm)
            continue;
        const Similarity join = compareNeighbourhoods(s.beats, s.chromaEnergy, c, t);
        const double joinValue = joinScore(join, 0.24 * rhythm);

        if (!outrosReady) {
            outros = outroCandidates(s, c);
            outrosReady = true;
        }
        const OutroChoice outro = bestOutro(outros, t);
        if (outro.beat < 0)
            continue;

        Loop loop;
        loop.start = start.time;
        loop.end = end.time;
        loop.outro = s.beats[outro.beat].time;
        loop.startBeat = c;
        loop.endBeat = t;
        loop.outroBeat = outro.beat;
        loop.bars = bars;
        loop.harmony = join.harmony;
        loop.timbre = join.timbre;
        loop.rhythm = rhythm;
        loop.loudnessGap = join.loudnessGap;
        // Whole phrases of 4 bars sound more natural than 2-bar loops; earlier starts keep more of the song.
        loop.score = 0.72 * joinValue + 0.28 * outro.score + (bars % 4 == 0 ? 0.015 : 0.0) -
                     0.01 * start.time / kLatestStart;
        proposals.push_back(loop);
    }
}

} // namespace

void findLoops(Analysis& analysis, double songDuration, const TickFn& tick)
{
    const std::vector<Beat>& beats = analysis.beats;
    const int count = static_cast<int>(beats.size());
    if (count <= 20 || analysis.meter < 1)
        return;

    const double outroFrom = songDuration - std::min(kOutroWindowShare * songDuration, kOutroWindowLimit);
    // Beats are in time order, so the outro window starts at one beat.
    const auto firstOutro = std::lower_bound(beats.begin(), beats.end(), outroFrom,
                                             [](const Beat& b, double t) { return b.time < t; });
    Search s{.beats = beats,
             .chromaEnergy = std::vector<double>(beats.size(), 0.0),
             .meter = analysis.meter,
             .outroFrom = outroFrom,
             .outroTo = songDuration - kOutroTail,
             .outroFirst = static_cast<int>(firstOutro - beats.begin()),
             .outroLast = count - 5};
    for (size_t k = 0; k < beats.size(); ++k)
        for (int n = 0; n < 12; ++n)
            s.chromaEnergy[k] += beats[k].chroma[n] * beats[k].chroma[n];

    std::vector<Loop> proposals;
    for (int c = 4; c <= count - 17; ++c) {
        tick();
        if (startAllowed(beats[c], songDuration))
            proposeFrom(s, c, proposals);
    }
    analysis.loops = selectLoops(std::move(proposals));
}
