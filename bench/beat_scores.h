// Scores of a beat tracker against a reference, for the tracking benchmark:
// beat F-measure within a tolerance (at the reference's level, twice and
// half its rate), tempo from beat times, tempo agreement up to a factor 2,
// and Spearman's rank correlation.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

namespace beat_scores {

// One estimate may match one reference beat; each reference beat takes the
// nearest unused estimate within `tolerance` seconds.
inline double fMeasure(const std::vector<double>& found, const std::vector<double>& truth, double tolerance = 0.07)
{
    if (found.empty() || truth.empty())
        return 0.0;
    std::vector<bool> used(found.size(), false);
    size_t matches = 0;
    for (const double t : truth) {
        const auto from = std::lower_bound(found.begin(), found.end(), t - tolerance) - found.begin();
        size_t best = found.size();
        for (auto i = static_cast<size_t>(from); i < found.size() && found[i] <= t + tolerance; ++i)
            if (!used[i] && (best == found.size() || std::abs(found[i] - t) < std::abs(found[best] - t)))
                best = i;
        if (best < found.size()) {
            used[best] = true;
            ++matches;
        }
    }
    if (matches == 0)
        return 0.0;
    const double precision = static_cast<double>(matches) / static_cast<double>(found.size());
    const double recall = static_cast<double>(matches) / static_cast<double>(truth.size());
    return 2 * precision * recall / (precision + recall);
}

enum class Level { Same, Double, Half };

struct LevelScore {
    double f = 0.0;
    Level level = Level::Same;
};

// The reference at twice its rate (midpoints added) and at half (every other
// beat, either phase): a tracker that counts the same music at another
// metrical level still follows it.
inline LevelScore bestLevelF(const std::vector<double>& found, const std::vector<double>& truth,
                             double tolerance = 0.07)
{
    LevelScore best{fMeasure(found, truth, tolerance), Level::Same};
    std::vector<double> doubled;
    for (size_t i = 0; i < truth.size(); ++i) {
        doubled.push_back(truth[i]);
        if (i + 1 < truth.size())
            doubled.push_back(0.5 * (truth[i] + truth[i + 1]));
    }
    const double d = fMeasure(found, doubled, tolerance);
    if (d > best.f)
        best = {d, Level::Double};
    for (size_t phase = 0; phase < 2; ++phase) {
        std::vector<double> halved;
        for (size_t i = phase; i < truth.size(); i += 2)
            halved.push_back(truth[i]);
        const double h = fMeasure(found, halved, tolerance);
        if (h > best.f)
            best = {h, Level::Half};
    }
    return best;
}

inline const char* levelName(Level level)
{
    return level == Level::Same ? "same" : level == Level::Double ? "x2" : "/2";
}

// 60 / the median interval between consecutive beats; 0 with fewer than 2.
inline double medianTempo(const std::vector<double>& beats)
{
    std::vector<double> gaps;
    for (size_t i = 1; i < beats.size(); ++i)
        if (beats[i] > beats[i - 1])
            gaps.push_back(beats[i] - beats[i - 1]);
    if (gaps.empty())
        return 0.0;
    std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
    return 60.0 / gaps[gaps.size() / 2];
}

// The same tempo within 4 %, or twice or half of it.
inline bool tempoAgrees(double a, double b)
{
    if (a <= 0.0 || b <= 0.0)
        return false;
    const double r = a / b;
    for (const double k : {1.0, 2.0, 0.5})
        if (std::abs(r / k - 1.0) <= 0.04)
            return true;
    return false;
}

// Where the found beats sit within the reference's beats: each found beat
// inside the reference's span as a share of its reference interval, and the
// circular mean of those shares in (-0.5, 0.5] with its resultant length
// (1 when every beat keeps the same place). A steady 0.5 is a tracker on the
// off-beats; a small steady share is a fixed delay.
struct PhaseShare {
    double share = 0.0;
    double steadiness = 0.0;
};

inline PhaseShare phaseShare(const std::vector<double>& found, const std::vector<double>& truth)
{
    double re = 0.0, im = 0.0;
    size_t n = 0;
    for (const double t : found) {
        const auto after = std::upper_bound(truth.begin(), truth.end(), t);
        if (after == truth.begin() || after == truth.end())
            continue;
        const double from = *(after - 1), to = *after;
        if (to <= from)
            continue;
        const double angle = 2.0 * 3.14159265358979323846 * (t - from) / (to - from);
        re += std::cos(angle);
        im += std::sin(angle);
        ++n;
    }
    if (n == 0)
        return {};
    const double length = std::sqrt(re * re + im * im) / static_cast<double>(n);
    return {std::atan2(im, re) / (2.0 * 3.14159265358979323846), length};
}

// Mean signed distance, in seconds, from each found beat to the nearest true
// one within `tolerance`: negative when the beats come early.
inline double meanOffset(const std::vector<double>& found, const std::vector<double>& truth, double tolerance = 0.07)
{
    double sum = 0.0;
    size_t n = 0;
    for (const double t : found) {
        const auto after = std::lower_bound(truth.begin(), truth.end(), t);
        double best = tolerance;
        if (after != truth.end() && std::abs(*after - t) < std::abs(best))
            best = t - *after;
        if (after != truth.begin() && std::abs(t - *(after - 1)) < std::abs(best))
            best = t - *(after - 1);
        if (std::abs(best) < tolerance) {
            sum += best;
            ++n;
        }
    }
    return n ? sum / static_cast<double>(n) : 0.0;
}

// Ranks with ties sharing their mean rank.
inline std::vector<double> ranks(const std::vector<double>& x)
{
    std::vector<size_t> order(x.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x[a] < x[b]; });
    std::vector<double> r(x.size());
    for (size_t i = 0; i < order.size();) {
        size_t j = i;
        while (j + 1 < order.size() && x[order[j + 1]] == x[order[i]])
            ++j;
        for (size_t k = i; k <= j; ++k)
            r[order[k]] = 0.5 * static_cast<double>(i + j) + 1.0;
        i = j + 1;
    }
    return r;
}

// Pearson correlation of the ranks; 0 where either side is constant.
inline double spearman(const std::vector<double>& a, const std::vector<double>& b)
{
    const std::vector<double> ra = ranks(a), rb = ranks(b);
    const double n = static_cast<double>(ra.size());
    if (n < 2)
        return 0.0;
    const double ma = std::accumulate(ra.begin(), ra.end(), 0.0) / n;
    const double mb = std::accumulate(rb.begin(), rb.end(), 0.0) / n;
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < ra.size(); ++i) {
        sab += (ra[i] - ma) * (rb[i] - mb);
        saa += (ra[i] - ma) * (ra[i] - ma);
        sbb += (rb[i] - mb) * (rb[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

} // namespace beat_scores
