// Every Spanish text the window shows of its own (labels, status lines,
// titles). Error messages stay with the rule that throws them.
#pragma once

inline constexpr const char* kProgramTitleText = "Tamrel Orvane";
inline constexpr const char* kLoadStatus = "Leyendo audio y buscando frases";
inline constexpr const char* kExportStatus = "Exportando WAV y montaje";
inline constexpr const char* kReadyStatus = "Listo. Explora las conexiones o escucha el loop antes de exportar.";
inline constexpr const char* kNoPulseStatus =
    "Pulso poco definido: escucha el original y ajusta los marcadores manuales.";
inline constexpr const char* kExportedStatus = "Exportado: ";
inline constexpr const char* kCancellingStatus = "Cancelando\xE2\x80\xA6";
inline constexpr const char* kClosingStatus = "Terminando la ventana de an\xC3\xA1lisis antes de cerrar\xE2\x80\xA6";
inline constexpr const char* kEllipsis = "\xE2\x80\xA6";
inline constexpr const char* kFirstStatus =
    "Arrastra una canci\xC3\xB3n. Espacio: reproducir \xC2\xB7 A/B: l\xC3\xADmites del loop \xC2\xB7 O: final.";
inline constexpr const char* kNoSongName = "Ninguna canci\xC3\xB3n abierta";
inline constexpr const char* kHelpFileName = "LEEME.html";
inline constexpr const char* kMontageLabel = "Montaje ";
