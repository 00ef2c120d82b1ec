// The timeline's time <-> pixel mapping, its zoom and the marker pick, as
// pure functions of the window state, so they are checked without a window.
#pragma once
#include <array>

// The part of the song the timeline shows, in logical units.
struct TimelineView {
    double viewStart = 0.0;    // s
    double visibleSpan = 0.0;  // s; 0 or less: the whole song
    double duration = 0.0;     // s
    double width = 0.0;        // the view's client width, logical units
};

// The span drawn: the visible span, or the whole song (at least 1 s).
double drawnSpan(const TimelineView& view);
// x of time t in logical units; the plot runs from 10 to width - 10.
float timelineX(const TimelineView& view, double t);
bool insidePlot(const TimelineView& view, float x);

// The song time under mouse x (device pixels, may be negative during
// capture), kept within 0 ... duration - 1 ms.
double timeAtX(const TimelineView& view, double dpiScale, int x);
// 9 logical units expressed in seconds: how close a click must be to grab a marker.
double grabTolerance(const TimelineView& view);

// The marker (0 A, 1 B, 2 O) a click at time t grabs: the last one within
// the tolerance, or -1 for none.
int pickMarker(const std::array<double, 3>& markers, double t, double tolerance);

// The view after zooming by factor (above 1 widens) around the point at
// anchor (0 ... 1) of the visible span: at least 0.8 s, at most the song.
TimelineView zoomedView(const TimelineView& view, double factor, double anchor);
