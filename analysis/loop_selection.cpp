#include "analysis/loop_selection.h"

#include <algorithm>
#include <cmath>

namespace {

// Two proposals this close cut the same musical spot; the listener would hear no difference.
constexpr double kSameStart = 2.0;
constexpr double kSameEnd = 3.0;

bool nearDuplicate(const Loop& a, const Loop& b)
{
    return std::abs(a.start - b.start) < kSameStart && std::abs(a.end - b.end) < kSameEnd;
}

} // namespace

std::vector<Loop> selectLoops(std::vector<Loop> proposals)
{
    std::sort(proposals.begin(), proposals.end(), [](const Loop& a, const Loop& b) { return a.score > b.score; });
    std::vector<Loop> kept;
    for (const Loop& proposal : proposals) {
        if (kept.size() == kMaxLoops)
            break;
        const bool duplicate =
            std::any_of(kept.begin(), kept.end(), [&](const Loop& k) { return nearDuplicate(k, proposal); });
        if (!duplicate)
            kept.push_back(proposal);
    }
    return kept;
}
