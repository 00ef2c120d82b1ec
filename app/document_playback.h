// The playback operations of the document: the window's buttons and keys
// call these with the one player and act on what comes back (the playback
// timer when started, the status line otherwise).
#pragma once
#include "app/document.h"
#include "playback/playback_control.h"

// Starts mode at t; a field that does not read is a status message, as is a
// mode the song cannot play.
StartOutcome play(Document& doc, Player& player, PlaybackMode mode, double t);
// Space and the play button: pause or resume a running playback, or start
// the chosen mode at the playhead.
StartOutcome playOrPause(Document& doc, Player& player);
void stop(Document& doc, Player& player);
// A mode button: the mode applies to the next start, and a running playback
// restarts in it. A mode the song cannot play changes nothing, and the
// sound goes on.
StartOutcome chooseMode(Document& doc, Player& player, PlaybackMode mode);
// One beat back or forward from the playhead, playing on if it played.
StartOutcome stepBeat(Document& doc, Player& player, int direction);
StartOutcome seekTo(Document& doc, Player& player, double t);
// The three joins, after every field has been checked; throws the message.
StartOutcome playJoinTest(Document& doc, Player& player);
// While playing: the playhead follows the sound. False once the sound ended.
bool followPlayback(Document& doc, const Player& player);
