#include "ui/timeline_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

double shownOrWhole(const TimelineView& view)
{
    return view.visibleSpan > 0 ? view.visibleSpan : view.duration;
}

} // namespace

double drawnSpan(const TimelineView& view)
{
    return view.visibleSpan > 0 ? view.visibleSpan : std::max(view.duration, 1.0);
}

float timelineX(const TimelineView& view, double t)
{
    const double plot = view.width - 20;
    return static_cast<float>((t - view.viewStart) / drawnSpan(view)) * static_cast<float>(plot) + 10.0f;
}

bool insidePlot(const TimelineView& view, float x)
{
    return x >= 10.0f && x <= static_cast<float>(view.width - 10);
}

double timeAtX(const TimelineView& view, double dpiScale, int x)
{
    const double plot = view.width - 20;
    const double u = x / dpiScale;
    const double fraction = plot > 1 ? (u - 10) / plot : u - 10;
    const double t = fraction * shownOrWhole(view) + view.viewStart;
    return std::clamp(t, 0.0, std::max(0.0, view.duration - 0.001));
}

double grabTolerance(const TimelineView& view)
{
    const double plot = view.width - 20;
    const double span = shownOrWhole(view);
    return plot > 1 ? span * 9 / plot : span * 9;
}

int pickMarker(const std::array<double, 3>& markers, double t, double tolerance)
{
    int picked = -1;
    for (int i = 0; i < 3; ++i)
        if (std::abs(markers[static_cast<size_t>(i)] - t) < tolerance)
            picked = i;
    return picked;
}

TimelineView zoomedView(const TimelineView& view, double factor, double anchor)
{
    TimelineView next = view;
    const double d = view.duration;
    if (d <= 0)
        return next;
    const double v = shownOrWhole(view);
    const double span = std::min(std::max(0.8, v * factor), d);
    const double at = view.viewStart + v * anchor;
    double start = at - span * anchor;
    start = start < 0 ? 0 : std::min(start, std::max(0.0, d - span));
    next.visibleSpan = span;
    next.viewStart = start;
    return next;
}
