// The owner-drawn list entries and buttons, as WM_DRAWITEM asks for them.
#pragma once
#include <windows.h>

#include "app/document.h"
#include "ui/win32/text_batch.h"
#include "ui/win32/window_state.h"

// Entry 0 is the manual cuts, entry n the song's loop n.
void paintListEntry(const Document& doc, PaintStyle style, const DRAWITEMSTRUCT& item);
// The play, mode and magnet buttons show look; the others their caption.
void paintButton(const ButtonLook& look, PaintStyle style, const DRAWITEMSTRUCT& item);
