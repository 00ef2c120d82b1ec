// The parts of the window a person answers, as the system offers them: file
// dialogs, the folder picker, message boxes and the shell.
#pragma once
#include "ui/win32/window_state.h"

Seams systemSeams();
