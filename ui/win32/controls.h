// The children of the main window: creation in Tab order, placement, the
// enable rules, and what they show of the document.
#pragma once
#include <optional>

#include "ui/win32/window_state.h"

// The fonts, brushes and every child of s.widgets.main, enabled as without a job.
void createControls(WindowState& s);
// Places every child for a client area of the given pixel size (by default the current one).
void layoutControls(WindowState& s);
void layoutControls(WindowState& s, int clientWidth, int clientHeight);
void setBusy(WindowState& s, bool busy);
// What the state buttons show now.
ButtonLook buttonLook(const WindowState& s);
// Repaints the views, and the state buttons when what they show changed.
void refreshViews(WindowState& s);
// Writes the document's fields into their controls and selects its list row.
void showEntry(WindowState& s);
// Writes only the repetitions the document chose for a target, so the field
// being typed in keeps its text and caret.
void showRepetitions(WindowState& s);
// The cut field a control id stands for.
std::optional<CutField> cutFieldOf(int id);
