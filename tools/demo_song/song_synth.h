// Synthesises test songs with a known beat grid: a drum kit that marks every
// beat with a broadband onset (kick on downbeats, snare on the off-beats of the
// bar, closed hi-hat on every beat), a bass note on each downbeat and soft
// sustained chords that change on downbeats. Deterministic: the only noise
// comes from a fixed-seed generator.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Where the closed hi-hat plays: on every beat (the demo song), on the
// beat's eighths, sixteenths or swung eighths (the second one two thirds of
// the way through the beat), or not at all.
enum class HatPattern { Quarter, None, Eighth, Sixteenth, Swung };

// Where the bass plays: one note a bar on the downbeat; on and off the beat
// (1, the "and" of 2, 3, the "and" of 4); or 3 + 3 + 2 sixteenths over every
// two beats (1, the last sixteenth of 1, the "and" of 2) with the kick on the
// same notes, which three sixteenths apart make a strong period that is not
// the beat.
enum class BassPattern { Downbeat, Syncopated, Tresillo };

struct SongShape {
    double seconds = 96.0;    // total length of the file
    double bpm = 120.0;
    int meter = 4;            // beats per bar
    double firstBeat = 0.5;   // time of the first downbeat, in seconds
    bool arranged = false;    // intro / A / B / A / B / A / outro, else A and B alternate
    HatPattern hats = HatPattern::Quarter;
    // Compound time (6/8 with meter 2): every beat is a dotted quarter and
    // the hat plays its three eighths, whatever `hats` says.
    bool compound = false;
    BassPattern bass = BassPattern::Downbeat;
    // The tempo swings slowly by this fraction either way (0.02: +-2 %), one
    // sine period over the song.
    double drift = 0.0;
};

struct GridBeat {
    double time = 0.0;        // seconds
    bool downbeat = false;
};

struct SynthSong {
    int sampleRate = 44100;
    std::vector<float> samples;   // interleaved stereo, peak below 0.9
    std::vector<GridBeat> beats;
};

// The demo song: 48 bars of 4/4 at 120 BPM (96 s of music) with sections.
// Its samples never change: the export tests rely on its package.
SongShape demoShape();

// Throws std::runtime_error for a shape that cannot hold one bar.
SynthSong synthSong(const SongShape& shape);

// 16-bit PCM WAV with the canonical 44-byte header.
void writeSongWav(const std::filesystem::path& path, const SynthSong& song);

// One line per beat: time with 6 decimals, a tab, 1 for a downbeat else 0.
void writeBeatList(const std::filesystem::path& path, const SynthSong& song);

// The analysis audio of a synthesised song, made apart from the decoder:
// 44.1 kHz stereo to 22 050 Hz mono through a windowed-sinc low-pass at 10 kHz.
std::vector<float> analysisAudio(const std::vector<float>& stereo44k);
