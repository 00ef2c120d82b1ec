// Which beat model is installed: the trained network, or the classical
// stand-in tracker this project generates. The stand-in says so in its ONNX
// metadata (key kModelIdentityKey); every other model counts as trained.
#pragma once

inline constexpr const char* kModelIdentityKey = "tamrel.model";
inline constexpr const char* kStandInIdentity = "stand-in-tempo-tracker-1";
