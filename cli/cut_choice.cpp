#include "cli/cut_choice.h"

#include <stdexcept>
#include <string>

#include "analysis/cut_rule.h"

Loop chooseCuts(const Analysis& analysis, const ExportChoice& choice)
{
    if (choice.start && choice.end && choice.outro)
        return cutRecord(*choice.start, *choice.end, *choice.outro);
    if (analysis.loops.empty())
        throw std::runtime_error("Sin cortes automaticos.");
    const size_t count = analysis.loops.size();
    if (choice.rank < 1 || static_cast<size_t>(choice.rank) > count)
        throw std::runtime_error("Esta cancion tiene " + std::to_string(count) + " candidatos; no existe el " +
                                 std::to_string(choice.rank) + ".");
    return analysis.loops[static_cast<size_t>(choice.rank) - 1];
}
