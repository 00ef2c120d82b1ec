#include "analysis/beat_connections.h"
#include "analysis/tempo_agreement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// A beat can only be left or landed on when it is clearly a beat and clearly audible.
constexpr float kMinConfidence = 0.55f;
constexpr float kMinLoudness = -48.0f;
// Beats 0..3 and the last four lack the neighbours the comparison reads.
constexpr int kEdge = 4;
// Jumps shorter than two bars of 4/4 are not worth taking.
constexpr int kMinDistance = 8;
constexpr double kMinTempoRatio = 0.9;
constexpr double kMaxTempoRatio = 1.1;
constexpr size_t kMaxPerSource = 5;
constexpr double kMinScore = 0.74;
constexpr double kMinHarmony = 0.68;
constexpr double kMinTimbre = 0.45;
// The neighbourhood compared: the two beats before, the beat itself and the one after.
constexpr int kFirstOffset = -2;
constexpr int kPairs = 4;

bool usable(const Beat& beat)
{
    return beat.confidence >= kMinConfidence && beat.loudness >= kMinLoudness;
}

double dot12(const double* a, const double* b)
{
    double sum = 0.0;
    for (int n = 0; n < 12; ++n)
        sum += a[n] * b[n];
    return sum;
}

double squaredDistance12(const double* a, const double* b)
{
    double sum = 0.0;
    for (int n = 0; n < 12; ++n) {
        const double d = a[n] - b[n];
        sum += d * d;
    }
    return sum;
}

// Scores beat j standing in for beat i; false when the pair is rejected.
// chromaNorm holds |chroma| of every beat, computed once rather than per pair.
bool scorePair(const std::vector<Beat>& beats, const std::vector<double>& chromaNorm, int i, int j, Connection& out)
{
    double cosines = 0.0;
    for (int k = kFirstOffset; k < kFirstOffset + kPairs; ++k) {
        const Beat& a = beats[i + k];
        const Beat& b = beats[j + k];
        cosines += dot12(a.chroma, b.chroma) / (chromaNorm[i + k] * chromaNorm[j + k] + 1e-12);
    }
    const double harmony = std::clamp(0.25 * cosines, 0.0, 1.0);
    // Every rejection below is final, so the cheap ones go first.
    if (harmony < kMinHarmony)
        return false;

    double distance = 0.0;
    double loudnessGap = 0.0;
    for (int k = kFirstOffset; k < kFirstOffset + kPairs; ++k) {
        const Beat& a = beats[i + k];
        const Beat& b = beats[j + k];
        distance += squaredDistance12(a.mfcc, b.mfcc);
        loudnessGap += std::abs(static_cast<double>(a.loudness) - static_cast<double>(b.loudness));
    }
    const double timbre = std::exp(-0.45 * distance / 48.0);
    if (timbre < kMinTimbre)
        return false;
    loudnessGap *= 0.25;

    // The departure beat i - 1 is the one whose tempo must carry on into j.
    const double departureBpm = beats[i - 1].bpm;
    const double arrivalBpm = beats[j].bpm;
    const double tempoBonus = (departureBpm > 0.0 && arrivalBpm > 0.0)
                                  ? 0.24 * tempoAgreement(departureBpm, arrivalBpm)
                                  : 0.0;
    double score = 0.28 * timbre + 0.48 * harmony + tempoBonus - 0.018 * loudnessGap;
    if (score < 0.0)
        return false;
    score = std::min(score, 1.0);
    if (score < kMinScore)
        return false;
    out = {i - 1, j, static_cast<float>(score), static_cast<float>(harmony), static_cast<float>(timbre)};
    return true;
}

} // namespace

void findConnections(Analysis& analysis, const TickFn& tick)
{
    const std::vector<Beat>& beats = analysis.beats;
    const int count = static_cast<int>(beats.size());
    if (count <= 8)
        return;
    const int first = kEdge;
    const int last = count - 1 - kEdge;

    std::vector<double> chromaNorm(beats.size());
    for (size_t k = 0; k < beats.size(); ++k)
        chromaNorm[k] = std::sqrt(dot12(beats[k].chroma, beats[k].chroma));

    // Usable partners grouped by bar position, in beat order: the phase gate
    // then costs nothing in the quadratic loop.
    std::vector<std::vector<int>> partnersByPhase;
    for (int j = first; j <= last; ++j) {
        if (!usable(beats[j]) || beats[j].phase < 0)
            continue;
        const size_t phase = static_cast<size_t>(beats[j].phase);
        if (partnersByPhase.size() <= phase)
            partnersByPhase.resize(phase + 1);
        partnersByPhase[phase].push_back(j);
    }

    std::vector<Connection> accepted;
    for (int i = first; i <= last; ++i) {
        tick();
        const Beat& source = beats[i];
        if (!usable(source) || source.phase < 0 || static_cast<size_t>(source.phase) >= partnersByPhase.size())
            continue;
        accepted.clear();
        for (const int j : partnersByPhase[static_cast<size_t>(source.phase)]) {
            if (std::abs(j - i) < kMinDistance)
                continue;
            const double ratio = source.bpm / beats[j].bpm;
            if (!std::isfinite(ratio) || ratio < kMinTempoRatio || ratio > kMaxTempoRatio)
                continue;
            Connection connection;
            if (scorePair(beats, chromaNorm, i, j, connection))
                accepted.push_back(connection);
        }
        const size_t kept = std::min(accepted.size(), kMaxPerSource);
        std::partial_sort(accepted.begin(), accepted.begin() + static_cast<std::ptrdiff_t>(kept), accepted.end(),
                          [](const Connection& a, const Connection& b) { return a.score > b.score; });
        analysis.connections.insert(analysis.connections.end(), accepted.begin(),
                                    accepted.begin() + static_cast<std::ptrdiff_t>(kept));
    }
}
