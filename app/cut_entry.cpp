#include "app/cut_entry.h"

#include <cmath>
#include <stdexcept>

#include "app/duration_text.h"
#include "app/number_field.h"
#include "base/number_format.h"
#include "base/utf.h"
#include "render/render_plan.h"

TypedNumber readTyped(std::u16string_view text)
{
    try {
        return {readNumberField(text), true};
    } catch (const std::exception&) {
        return {0.0, false};
    }
}

TypedTarget readTypedTarget(std::u16string_view text)
{
    try {
        return {readDurationText(text), true};
    } catch (const std::exception&) {
        return {std::nullopt, false};
    }
}

TypedNumber& fieldOf(CutEntry& entry, CutField field)
{
    return entry.fields[static_cast<size_t>(field)];
}

const TypedNumber& fieldOf(const CutEntry& entry, CutField field)
{
    return entry.fields[static_cast<size_t>(field)];
}

namespace {

double valueOf(const CutEntry& entry, CutField field)
{
    const TypedNumber& number = fieldOf(entry, field);
    if (!number.readable)
        throw std::runtime_error(kInvalidNumberMessage);
    return number.value;
}

} // namespace

Loop enteredCuts(const CutEntry& entry)
{
    const double a = valueOf(entry, CutField::Start);
    const double b = valueOf(entry, CutField::End);
    const double o = valueOf(entry, CutField::Outro);
    return cutRecord(a, b, o);
}

double enteredFadeSeconds(const CutEntry& entry)
{
    return valueOf(entry, CutField::Crossfade) / 1000.0;
}

CutSettings checkedSettings(const CutEntry& entry, uint64_t songFrames)
{
    CutSettings settings;
    settings.cuts = enteredCuts(entry);
    settings.fadeMs = valueOf(entry, CutField::Crossfade);
    validateCuts(songFrames, settings.cuts.start, settings.cuts.end, settings.cuts.outro, fadeSecondsOf(settings));
    settings.repetitions = checkedRepetitions(valueOf(entry, CutField::Repetitions));
    return settings;
}

std::array<double, 3> markerTimes(const CutEntry& entry)
{
    std::array<double, 3> times{};
    for (size_t i = 0; i < times.size(); ++i)
        times[i] = entry.fields[i].readable ? entry.fields[i].value : 0.0;
    return times;
}

std::u16string shownText(CutField field, double value)
{
    const bool cut = field == CutField::Start || field == CutField::End || field == CutField::Outro;
    return formatFixed(value, cut ? 6 : 0);
}

std::u16string shownTargetText(double seconds)
{
    // Beyond any montage the export can make, the clock's frames would not
    // fit a count; such a target is shown as it was read.
    if (!(seconds < 1e6))
        return utf8ToUtf16(fixedPoint(seconds, 3));
    return utf8ToUtf16(montageClockText(secondsToFrames(seconds)));
}
