// The seam for failed writes: every checked write asks ioFaultNow() once and
// treats true as a failed write, as if the disk were full or the permission
// denied. The program's own answer is always no; test programs link an
// answer of their own that fails chosen writes, so those error paths run for
// real without a switch inside the program.
#pragma once

bool ioFaultNow();
