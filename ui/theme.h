// The window's colours, as 0xAARRGGBB: every colour the window paints or
// gives its controls comes from here.
#pragma once
#include <cstdint>

using Argb = uint32_t;

// Texts and the accents of the three cuts (A, B and the outro).
inline constexpr Argb TextColour = 0xFFE8EBF3;
inline constexpr Argb Muted = 0xFF808C9E;
inline constexpr Argb Line = 0xFF2B303B;
inline constexpr Argb Green = 0xFF51DCB3;
inline constexpr Argb Orange = 0xFFF8B14D;
inline constexpr Argb Lilac = 0xFFB191FF;

// Surfaces of the main window and its standard controls.
inline constexpr Argb kBackground = 0xFF0F1116;
inline constexpr Argb kHeaderBand = 0xFF161920;
inline constexpr Argb kPanel = 0xFF13161C;
inline constexpr Argb kFieldBackground = 0xFF1D2129;  // edit fields, the list, the progress track
inline constexpr Argb kFieldText = 0xFFE2E7F2;

// The candidate list's entries.
inline constexpr Argb kEntry = 0xFF161A21;
inline constexpr Argb kEntrySelected = 0xFF2A333A;
inline constexpr Argb kEntryRule = 0xFF232831;

// The owner-drawn buttons.
inline constexpr Argb kButton = 0xFF1B1F27;
inline constexpr Argb kButtonPressed = 0xFF3E434E;
inline constexpr Argb kButtonDisabledText = 0xFF474E5A;
inline constexpr Argb kButtonEmphasis = 0xFF303A43;  // the chosen mode and the magnet
inline constexpr Argb kEmphasisBorder = 0xFF597777;
inline constexpr Argb kExportDisabled = 0xFF423425;
inline constexpr Argb kExportText = 0xFF14171C;
inline constexpr Argb kPlayDisabled = 0xFF1D3430;
inline constexpr Argb kPlayText = 0xFF0F1816;

// The unlit segments of the segment digits.
inline constexpr Argb kUnlitSegment = 0xFF1C222A;

// The timeline.
inline constexpr Argb kTimelineBackground = 0xFF14181F;
inline constexpr Argb kBarLine = 0xFF3E4652;
inline constexpr Argb kBeatLine = 0xFF222831;
inline constexpr Argb kLeftWave = 0x7E54CCC1;
inline constexpr Argb kRightWave = 0x7D6499E5;
inline constexpr Argb kLoopRegion = 0xFF162928;
inline constexpr Argb kMarkerText = 0xFF0E1217;
inline constexpr Argb kPlayheadLine = 0xFFF5F5F8;

// The connection map.
inline constexpr Argb kEmptyRing = 0xFF444F5E;
inline constexpr Argb kGuideRing = 0xFF20262F;
inline constexpr Argb kCentreDisc = 0xED0F1116;
inline constexpr Argb kOtherPhase = 0xFF384250;
inline constexpr Argb kPlayingHalo = 0x2DFFD285;
inline constexpr Argb kJumpFlash = 0xDCFFE1A2;
// A beat that does not exist (no alpha: the caller gives it).
inline constexpr Argb kNoBeatRgb = 0x465C70;
