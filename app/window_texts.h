// Every Spanish text the window shows of its own (labels, captions, status
// lines, titles, dialog filters), as UTF-8. Error messages stay with the rule
// that throws them; numbers are formatted where they are shown.
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

// The controls' captions.
inline constexpr const char* kOpenAudioLabel = "+ Audio";
inline constexpr const char* kOpenSessionLabel = "Abrir sesi\xC3\xB3n";
inline constexpr const char* kSaveSessionLabel = "Guardar sesi\xC3\xB3n";
inline constexpr const char* kHelpLabel = "Ayuda";
inline constexpr const char* kExportLabel = "Exportar montaje";
inline constexpr const char* kPlayLabel = "\xE2\x96\xB6";
inline constexpr const char* kStopLabel = "\xE2\x96\xA0";
inline constexpr const char* kBeatBackLabel = "|\xE2\x80\xB9";
inline constexpr const char* kBeatForwardLabel = "\xE2\x80\xBA|";
inline constexpr const char* kOriginalLabel = "ORIGINAL";
inline constexpr const char* kLoopLabel = "LOOP";
inline constexpr const char* kExploreLabel = "INFINITO";
inline constexpr const char* kMagnetLabel = "IM\xC3\x81N \xC2\xB7 BEATS";
inline constexpr const char* kZoomOutLabel = "\xE2\x88\x92";
inline constexpr const char* kZoomInLabel = "+";
inline constexpr const char* kJoinTestLabel = "\xE2\x99\xAB   Escuchar las tres uniones";
inline constexpr const char* kOutputFolderLabel = "Carpeta de salida";
inline constexpr const char* kShowExportLabel = "Ver exportaci\xC3\xB3n";
inline constexpr const char* kCancelLabel = "Cancelar an\xC3\xA1lisis";

// The header: the name, the clock's format, tempo and beats.
inline constexpr const char* kHeaderName = "T A M R E L";
inline constexpr const char* kHeaderEdition = "ORVANE  2";
inline constexpr const char* kFormatCaption = "48 kHz  /  EST\xC3\x89REO";
inline constexpr const char* kBpmSuffix = " BPM";
inline constexpr const char* kNoTempo = "\xE2\x80\x94 BPM";
inline constexpr const char* kTempoRangeDash = "\xE2\x80\x93";
inline constexpr const char* kLocalTempoSuffix = " BPM \xC2\xB7 tempo local";
inline constexpr const char* kBeatsSuffix = " BEATS";
inline constexpr const char* kMeanProbabilityPrefix = "Probabilidad media ";
inline constexpr const char* kPercentThen = "% \xC2\xB7 ";
inline constexpr const char* kBeatsPerBarSuffix = " pulsos/comp\xC3\xA1s";

// The loop builder panel.
inline constexpr const char* kLoopBuilderCaption = "LOOP BUILDER";
inline constexpr const char* kHarmonyLabel = "Armon\xC3\xAD" "a";
inline constexpr const char* kTimbreLabel = "Timbre";
inline constexpr const char* kRhythmLabel = "Ritmo";
inline constexpr const char* kStartFieldLabel = "A   Inicio loop";
inline constexpr const char* kEndFieldLabel = "B   Fin loop";
inline constexpr const char* kOutroFieldLabel = "O   Final";
inline constexpr const char* kCrossfadeFieldLabel = "Puente (ms)";
inline constexpr const char* kRepetitionsFieldLabel = "Vueltas al exportar";
inline constexpr const char* kMontageLabel = "Montaje ";
inline constexpr const char* kTargetFieldLabel = "Duraci\xC3\xB3n objetivo";
inline constexpr const char* kExactLabel = "Exacta";

// The candidate list: the manual entry, then "8 compases   ·   16.3 s", "91%" and
// "12.50 → 28.75   /   final 180.00" for a loop.
inline constexpr const char* kManualEntryTitle = "Cortes manuales";
inline constexpr const char* kManualEntryHint = "Arrastra A / B / final o escribe tiempos";
inline constexpr const char* kBarsSuffix = " compases   \xC2\xB7   ";
inline constexpr const char* kSecondsSuffix = " s";
inline constexpr const char* kPercentSuffix = "%";
inline constexpr const char* kRangeArrow = " \xE2\x86\x92 ";
inline constexpr const char* kOutroInfix = "   /   final ";

// The timeline.
inline constexpr const char* kTimelineCaption = "TIMELINE  /  BEATS + COMPASES";
inline constexpr const char* kTimelineHint = "Rueda: zoom \xC2\xB7 clic: escuchar \xC2\xB7 arrastrar A/B/O: cortar";
inline constexpr const char* kEmptyTimelineCaption = "L\xC3\x8DNEA DE TIEMPO  /  EST\xC3\x89REO";
inline constexpr const char* kOutroMarker = "FINAL";

// The connection map: empty, then "BEAT 12 / 412" and "830 conexiones · 4 pulsos / compás".
inline constexpr const char* kMapTitle = "MAPA DE CONEXIONES";
inline constexpr const char* kEmptyMapTitle = "Escucha la estructura";
inline constexpr const char* kEmptyMapHint = "Arrastra una canci\xC3\xB3n o pulsa + Audio";
inline constexpr const char* kEmptyMapPromise = "Los beats y sus conexiones aparecer\xC3\xA1n aqu\xC3\xAD";
inline constexpr const char* kLocalTempoCaption = "BPM LOCAL";
inline constexpr const char* kBeatPrefix = "BEAT ";
inline constexpr const char* kBeatOf = " / ";
inline constexpr const char* kConnectionsSuffix = " conexiones \xC2\xB7 ";
inline constexpr const char* kBeatsPerBarSpaced = " pulsos / comp\xC3\xA1s";

// The texts that name the beat model, chosen from its kind: before a song the
// header's title, the line under the tempo and the model line; the map's caption.
inline constexpr const char* kStandInTitle = "RASTREO CL\xC3\x81SICO";
inline constexpr const char* kStandInUnderTempo = "AN\xC3\x81LISIS R\xC3\x8DTMICO LOCAL";
inline constexpr const char* kStandInModelLine = "Rastreador de reserva incluido";
inline constexpr const char* kStandInMapCaption = "Rastreador de reserva  /  CPU local";
inline constexpr const char* kTrainedTitle = "BEAT THIS!";
inline constexpr const char* kTrainedUnderTempo = "AN\xC3\x81LISIS NEURONAL LOCAL";
inline constexpr const char* kTrainedModelLine = "Modelo entrenado incluido";
inline constexpr const char* kTrainedMapCaption = "Beat This!  /  CPU local";

// The file dialogs and the folder picker.
inline constexpr const char* kAudioFilterName = "Audio (MP3, WAV, FLAC, OGG, M4A, AAC, OPUS, WMA)";
inline constexpr const char* kAllFilesFilterName = "Todos los archivos";
inline constexpr const char* kSessionFilterName = "Proyecto Tamrel Loop (*.tamrelloop)";
inline constexpr const char* kFolderPickerTitle = "Carpeta para tus loops";
