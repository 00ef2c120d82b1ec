// The ids of the window's controls, which are also its commands.
#pragma once

inline constexpr int kIdOpenAudio = 100, kIdOutputFolder = 101, kIdList = 102, kIdFieldA = 103, kIdFieldB = 104,
                     kIdFieldO = 105, kIdCrossfade = 106, kIdRepetitions = 107, kIdJoinTest = 108, kIdStop = 110,
                     kIdExport = 111, kIdCancel = 112, kIdShowExport = 113, kIdSaveSession = 114,
                     kIdOpenSession = 115, kIdHelp = 116, kIdPlay = 117, kIdOriginal = 118, kIdLoop = 119,
                     kIdExplore = 120, kIdZoomIn = 121, kIdZoomOut = 122, kIdMagnet = 123, kIdBeatBack = 124,
                     kIdBeatForward = 125, kIdTarget = 126, kIdExact = 127;
