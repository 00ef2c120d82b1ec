// "marcadores.txt": the cuts as a label track an audio editor imports, one
// line per label: start and end in seconds (6 decimals, point), a tab
// between the fields, LF line ends. A region "bucle" over the loop, and the
// points "inicio del bucle", "fin del bucle" and "final" at A, B and O.
#pragma once
#include <cstdint>
#include <string>

std::string loopMarkers(int64_t startFrame, int64_t endFrame, int64_t outroFrame);
