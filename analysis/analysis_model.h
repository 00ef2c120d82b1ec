// The analysis of one song. Beat, Connection and Loop are stored byte for
// byte in the analysis cache, so their layouts below are a file format:
// little-endian, no padding the compiler chooses, reserved bytes zero.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include <bit>
#include <type_traits>

struct Beat {
    double time = 0.0;                 //   0  onset, s
    double duration = 0.0;             //   8  to the next beat (last: to song end), s
    double bpm = 0.0;                  //  16  local tempo, 0 when none
    float confidence = 0.0f;           //  24  beat probability at the peak
    float downbeatProbability = 0.0f;  //  28  0 when no downbeat matched
    float loudness = -90.0f;           //  32  dB
    uint8_t reserved[4] = {0, 0, 0, 0};//  36  always zero
    int32_t phase = 0;                 //  40  beats since the last downbeat, mod meter
    int32_t bar = 0;                   //  44  downbeats up to and including this beat
    double chroma[12] = {};            //  48  pitch classes, 0 = C
    double mfcc[12] = {};              // 144  standardised cepstral coefficients 1..12
};

struct Connection {
    int32_t from = 0;      //  0  beat after which the jump is taken
    int32_t to = 0;        //  4  beat at which playback continues
    float score = 0.0f;    //  8
    float harmony = 0.0f;  // 12
    float timbre = 0.0f;   // 16
};

struct Loop {
    double start = 0.0;        //  0  cut A, s
    double end = 0.0;          //  8  cut B, s
    double outro = 0.0;        // 16  cut O, s
    double score = 0.0;        // 24
    int32_t startBeat = 0;     // 32
    int32_t endBeat = 0;       // 36
    int32_t outroBeat = 0;     // 40
    int32_t bars = 0;          // 44
    double harmony = 0.0;      // 48
    double timbre = 0.0;       // 56
    double rhythm = 0.0;       // 64
    double loudnessGap = 0.0;  // 72
};

inline constexpr const char* kEngineUnanalysed = "unanalysed";
inline constexpr const char* kEngineNeural = "Beat This! transformer / ONNX CPU \xC2\xB7 neural-v2";
inline constexpr const char* kEngineCache = "Beat This! transformer / ONNX CPU \xC2\xB7 cache-v3";
// The driver ran the stand-in tracker, not the trained model.
inline constexpr const char* kEngineStandIn = "Stand-in tempo tracker / ONNX CPU \xC2\xB7 classic-v1";
// An analysis the stand-in made, served from the cache.
inline constexpr const char* kEngineStandInCache = "Stand-in tempo tracker / ONNX CPU \xC2\xB7 cache-v3";
inline constexpr size_t kOverviewSize = 8192;

// Which beat model made an analysis: the trained network, or the classical
// stand-in tracker this project generates.
enum class BeatModelKind { Trained, StandIn };

struct Analysis {
    double bpm = 0.0;
    double bpmLow = 0.0;
    double bpmHigh = 0.0;
    double confidence = 0.0;
    int32_t meter = 4;
    std::vector<Loop> loops;
    std::vector<float> overview;
    std::vector<Beat> beats;
    std::vector<Connection> connections;
    std::string engine = kEngineUnanalysed;
    BeatModelKind model = BeatModelKind::Trained;  // the one engine names
};

// The layouts are a file format: make the compiler prove them.
static_assert(std::endian::native == std::endian::little, "records are stored in native byte order");
static_assert(std::is_trivially_copyable_v<Beat> && std::is_trivially_copyable_v<Connection> &&
              std::is_trivially_copyable_v<Loop>, "records are copied with memcpy");
static_assert(sizeof(Beat) == 240 && alignof(Beat) == 8 && offsetof(Beat, time) == 0);
static_assert(offsetof(Beat, duration) == 8 && offsetof(Beat, bpm) == 16 && offsetof(Beat, confidence) == 24);
static_assert(offsetof(Beat, downbeatProbability) == 28 && offsetof(Beat, loudness) == 32);
static_assert(offsetof(Beat, reserved) == 36 && offsetof(Beat, phase) == 40 && offsetof(Beat, bar) == 44);
static_assert(offsetof(Beat, chroma) == 48 && offsetof(Beat, mfcc) == 144);
static_assert(sizeof(Connection) == 20 && offsetof(Connection, from) == 0);
static_assert(offsetof(Connection, to) == 4 && offsetof(Connection, score) == 8);
static_assert(offsetof(Connection, harmony) == 12 && offsetof(Connection, timbre) == 16);
static_assert(sizeof(Loop) == 80 && offsetof(Loop, start) == 0);
static_assert(offsetof(Loop, end) == 8 && offsetof(Loop, outro) == 16 && offsetof(Loop, score) == 24);
static_assert(offsetof(Loop, startBeat) == 32 && offsetof(Loop, endBeat) == 36 && offsetof(Loop, outroBeat) == 40);
static_assert(offsetof(Loop, bars) == 44 && offsetof(Loop, harmony) == 48 && offsetof(Loop, timbre) == 56);
static_assert(offsetof(Loop, rhythm) == 64 && offsetof(Loop, loudnessGap) == 72);
