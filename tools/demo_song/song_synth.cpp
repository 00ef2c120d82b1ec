#include "tools/demo_song/song_synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace {

constexpr int SampleRate = 44100;
constexpr double TwoPi = 2.0 * std::numbers::pi;
// Time after the last beat's period for the instruments to ring out.
constexpr double TailSeconds = 1.5;
// The mix is scaled so that its loudest sample sits here, safely below 0.9.
constexpr double TargetPeak = 0.8;

// xorshift64*: tiny, fast, and the same sequence on every platform.
struct Noise {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    double next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        const uint64_t r = state * 0x2545F4914F6CDD1Dull;
        return static_cast<double>(r >> 11) / 4503599627370496.0 - 1.0; // [-1, 1)
    }
};

struct Mix {
    std::vector<double> left, right;
    void add(size_t i, double value, double pan) // pan -1 (left) .. 1 (right)
    {
        if (i >= left.size())
            return;
        left[i] += value * (1.0 - pan) * 0.5;
        right[i] += value * (1.0 + pan) * 0.5;
    }
};

double midiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

struct Chord {
    std::array<int, 3> notes; // MIDI
    int bass;                 // MIDI
};

// Two four-bar progressions in A minor: section A and section B.
constexpr std::array<Chord, 4> ProgressionA{{{{57, 60, 64}, 45}, {{57, 60, 65}, 41}, {{55, 60, 64}, 48}, {{55, 59, 62}, 43}}};
constexpr std::array<Chord, 4> ProgressionB{{{{57, 62, 65}, 38}, {{58, 62, 65}, 46}, {{57, 60, 65}, 41}, {{56, 59, 64}, 40}}};

enum class Section { Intro, A, B, Outro };

struct Bar {
    Section section;
    int chordIndex;
};

Section sectionOfBar(const SongShape& shape, int bar, int barCount)
{
    if (!shape.arranged)
        return (bar / 8) % 2 == 0 ? Section::A : Section::B;
    if (bar < 4)
        return Section::Intro;
    if (bar >= barCount - 4)
        return Section::Outro;
    return ((bar - 4) / 8) % 2 == 0 ? Section::A : Section::B;
}

const Chord& chordOf(const Bar& bar)
{
    const auto& progression = bar.section == Section::B ? ProgressionB : ProgressionA;
    return progression[static_cast<size_t>(bar.chordIndex % 4)];
}

size_t sampleAt(double seconds) { return static_cast<size_t>(std::lround(seconds * SampleRate)); }

void addKick(Mix& mix, size_t start, Noise& noise)
{
    double phase = 0.0;
    const size_t length = sampleAt(0.4);
    for (size_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / SampleRate;
        phase += TwoPi * (48.0 + 110.0 * std::exp(-t / 0.03)) / SampleRate;
        double v = std::sin(phase) * std::exp(-t / 0.16);
        if (t < 0.003)
            v += 0.5 * noise.next() * (1.0 - t / 0.003);
        mix.add(start + n, 0.9 * v, 0.0);
    }
}

void addSnare(Mix& mix, size_t start, Noise& noise)
{
    double slow = 0.0, fast = 0.0;
    const size_t length = sampleAt(0.25);
    for (size_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / SampleRate;
        const double white = noise.next();
        fast += 0.6 * (white - fast);  // crude band-pass: difference of two low-passes
        slow += 0.05 * (white - slow);
        const double body = std::sin(TwoPi * 185.0 * t) * std::exp(-t / 0.05);
        const double v = 0.9 * (fast - slow) * std::exp(-t / 0.07) + 0.4 * body;
        mix.add(start + n, 0.55 * v, -0.15);
    }
}

void addHat(Mix& mix, size_t start, Noise& noise)
{
    double previous = 0.0;
    const size_t length = sampleAt(0.08);
    for (size_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / SampleRate;
        const double white = noise.next();
        const double high = white - previous; // first difference: mostly high frequencies
        previous = white;
        mix.add(start + n, 0.3 * high * std::exp(-t / 0.018), 0.3);
    }
}

// A soft, slightly bright wave: the first six harmonics at 1/n.
std::vector<double> padTable()
{
    std::vector<double> table(4096);
    for (size_t i = 0; i < table.size(); ++i) {
        const double x = TwoPi * static_cast<double>(i) / static_cast<double>(table.size());
        for (int h = 1; h <= 6; ++h)
            table[i] += std::sin(h * x) / h;
    }
    return table;
}

double lookup(const std::vector<double>& table, double phase) // phase in cycles
{
    const double position = (phase - std::floor(phase)) * static_cast<double>(table.size());
    const size_t i = static_cast<size_t>(position) % table.size();
    const double frac = position - std::floor(position);
    return table[i] + frac * (table[(i + 1) % table.size()] - table[i]);
}

// Slow attack so chord changes never compete with the drums for an onset.
void addPad(Mix& mix, const std::vector<double>& table, const Chord& chord, size_t start, size_t length, double level)
{
    const size_t release = sampleAt(0.3);
    for (int note : chord.notes) {
        const double hz = midiHz(note);
        const double detune = std::pow(2.0, 4.0 / 1200.0);
        for (size_t n = 0; n < length + release; ++n) {
            const double t = static_cast<double>(n) / SampleRate;
            double envelope = std::min(1.0, t / 0.25);
            if (n >= length)
                envelope *= 1.0 - static_cast<double>(n - length) / static_cast<double>(release);
            const double l = lookup(table, hz / detune * t);
            const double r = lookup(table, hz * detune * t);
            if (start + n < mix.left.size()) {
                mix.left[start + n] += level * envelope * l;
                mix.right[start + n] += level * envelope * r;
            }
        }
    }
}

void addBass(Mix& mix, int note, size_t start, size_t length)
{
    const double hz = midiHz(note);
    const size_t release = sampleAt(0.03);
    for (size_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / SampleRate;
        double envelope = std::min(1.0, t / 0.005) * (0.6 + 0.4 * std::exp(-t / 0.2));
        if (n + release > length)
            envelope *= static_cast<double>(length - n) / static_cast<double>(release);
        const double v = std::sin(TwoPi * hz * t) + 0.3 * std::sin(TwoPi * 2.0 * hz * t);
        mix.add(start + n, 0.35 * envelope * v, 0.0);
    }
}

void putLittleEndian(std::ofstream& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

SongShape demoShape()
{
    SongShape shape;
    shape.bpm = 120.0;
    shape.meter = 4;
    shape.firstBeat = 0.5;
    shape.arranged = true;
    // 48 bars of 4 beats at 0.5 s, then the tail.
    shape.seconds = shape.firstBeat + 48 * 4 * 0.5 + TailSeconds;
    return shape;
}

SynthSong synthSong(const SongShape& shape)
{
    if (!(shape.bpm >= 20.0 && shape.bpm <= 400.0) || shape.meter < 1 || shape.meter > 16 || shape.firstBeat < 0.0)
        throw std::runtime_error("demo_song: bpm must be 20..400 and meter 1..16");
    if (!(std::abs(shape.drift) < 0.5))
        throw std::runtime_error("demo_song: drift must stay below 0.5");
    const double period = 60.0 / shape.bpm;
    // Every beat's whole period fits before the tail.
    const double lastEnd = shape.seconds - TailSeconds;
    SynthSong song;
    song.sampleRate = SampleRate;
    // Beat times; with drift each beat's period follows the tempo at its start.
    // The steady grid keeps its own arithmetic, so the demo song stays the same.
    std::vector<double> periods;
    if (shape.drift == 0.0) {
        const int count = static_cast<int>(std::floor((lastEnd - shape.firstBeat) / period + 1e-9));
        for (int i = 0; i < count; ++i) {
            song.beats.push_back({shape.firstBeat + i * period, i % shape.meter == 0});
            periods.push_back(period);
        }
    } else {
        double t = shape.firstBeat;
        for (int i = 0;; ++i) {
            const double p = period / (1.0 + shape.drift * std::sin(TwoPi * t / shape.seconds));
            if (t + p > lastEnd + 1e-9)
                break;
            song.beats.push_back({t, i % shape.meter == 0});
            periods.push_back(p);
            t += p;
        }
    }
    const int beatCount = static_cast<int>(song.beats.size());
    if (beatCount < shape.meter)
        throw std::runtime_error("demo_song: the song is too short for one bar");

    const size_t frames = sampleAt(shape.seconds);
    Mix mix{std::vector<double>(frames), std::vector<double>(frames)};
    Noise noise;
    const auto table = padTable();
    const int barCount = (beatCount + shape.meter - 1) / shape.meter;

    // Hat positions within a beat, in beats.
    std::vector<double> hatOffsets;
    const HatPattern hats = shape.compound ? HatPattern::Quarter : shape.hats;
    if (shape.compound)
        hatOffsets = {0.0, 1.0 / 3.0, 2.0 / 3.0};
    else if (hats == HatPattern::Quarter)
        hatOffsets = {0.0};
    else if (hats == HatPattern::Eighth)
        hatOffsets = {0.0, 0.5};
    else if (hats == HatPattern::Sixteenth)
        hatOffsets = {0.0, 0.25, 0.5, 0.75};
    else if (hats == HatPattern::Swung)
        hatOffsets = {0.0, 2.0 / 3.0};
    for (int i = 0; i < beatCount; ++i) {
        const double time = song.beats[static_cast<size_t>(i)].time;
        const size_t at = sampleAt(time);
        const int inBar = i % shape.meter;
        const double beatPeriod = periods[static_cast<size_t>(i)];
        if (shape.bass == BassPattern::Tresillo && inBar % 2 == 0) {
            // The kick doubles the bass figure, as it does in the styles built on it.
            for (const double offset : {0.0, 0.75, 1.5})
                if (inBar + offset < shape.meter)
                    addKick(mix, sampleAt(time + offset * beatPeriod), noise);
        } else if (inBar == 0) {
            addKick(mix, at, noise);
        }
        if (inBar % 2 == 1)
            addSnare(mix, at, noise);
        for (const double offset : hatOffsets)
            addHat(mix, offset == 0.0 ? at : sampleAt(time + offset * beatPeriod), noise);
    }
    for (int b = 0; b < barCount; ++b) {
        const int firstBeat = b * shape.meter;
        const int beatsInBar = std::min(shape.meter, beatCount - firstBeat);
        size_t start = 0, length = 0;
        if (shape.drift == 0.0) {
            start = sampleAt(shape.firstBeat + firstBeat * period);
            length = sampleAt(beatsInBar * period);
        } else {
            const auto& last = song.beats[static_cast<size_t>(firstBeat + beatsInBar - 1)];
            start = sampleAt(song.beats[static_cast<size_t>(firstBeat)].time);
            length = sampleAt(last.time + periods[static_cast<size_t>(firstBeat + beatsInBar - 1)]) - start;
        }
        const Bar bar{sectionOfBar(shape, b, barCount), b % 4};
        const Chord& chord = chordOf(bar);
        const bool quiet = bar.section == Section::Intro || bar.section == Section::Outro;
        addPad(mix, table, chord, start, length, quiet ? 0.05 : 0.035);
        if (quiet)
            continue;
        if (shape.bass == BassPattern::Downbeat) {
            addBass(mix, chord.bass, start, length);
            continue;
        }
        // Syncopated: 1, the "and" of 2, 3 and the "and" of 4 (in 3/4: 1 and
        // the "and" of 2), the root answered by its octave and fifth.
        // Tresillo: 0, 0.75 and 1.5 beats into every pair of beats.
        std::vector<double> onsets;
        if (shape.bass == BassPattern::Syncopated)
            onsets = shape.meter >= 4 ? std::vector<double>{0.0, 1.5, 2.0, 3.5} : std::vector<double>{0.0, 1.5};
        else
            for (int pair = 0; 2 * pair < shape.meter; ++pair)
                for (const double at : {0.0, 0.75, 1.5})
                    onsets.push_back(2 * pair + at);
        const int notes[] = {0, 12, 7, 12};
        const double barBeats = static_cast<double>(beatsInBar);
        for (size_t n = 0; n < onsets.size() && onsets[n] < barBeats; ++n) {
            const double end = n + 1 < onsets.size() ? std::min(onsets[n + 1], barBeats) : barBeats;
            const double beatSamples = static_cast<double>(length) / barBeats;
            const auto from = static_cast<size_t>(std::lround(onsets[n] * beatSamples));
            const auto to = static_cast<size_t>(std::lround(end * beatSamples));
            addBass(mix, chord.bass + notes[n % 4], start + from, to - from);
        }
    }

    double peak = 0.0;
    for (size_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::abs(mix.left[i]), std::abs(mix.right[i])});
    const double gain = peak > 0.0 ? TargetPeak / peak : 1.0;
    song.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        song.samples[2 * i] = static_cast<float>(mix.left[i] * gain);
        song.samples[2 * i + 1] = static_cast<float>(mix.right[i] * gain);
    }
    return song;
}

void writeSongWav(const std::filesystem::path& path, const SynthSong& song)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("demo_song: cannot write " + path.string());
    const uint32_t dataBytes = static_cast<uint32_t>(song.samples.size() * 2);
    out.write("RIFF", 4);
    putLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    putLittleEndian(out, 16, 4);                                       // fmt chunk size
    putLittleEndian(out, 1, 2);                                        // PCM
    putLittleEndian(out, 2, 2);                                        // channels
    putLittleEndian(out, static_cast<uint32_t>(song.sampleRate), 4);
    putLittleEndian(out, static_cast<uint32_t>(song.sampleRate) * 4, 4); // bytes per second
    putLittleEndian(out, 4, 2);                                        // block align
    putLittleEndian(out, 16, 2);                                       // bits per sample
    out.write("data", 4);
    putLittleEndian(out, dataBytes, 4);
    for (float sample : song.samples) {
        const double clipped = std::clamp(static_cast<double>(sample), -1.0, 1.0);
        const auto value = static_cast<int16_t>(std::lround(clipped * 32767.0));
        putLittleEndian(out, static_cast<uint16_t>(value), 2);
    }
    if (!out.flush())
        throw std::runtime_error("demo_song: cannot write " + path.string());
}

void writeBeatList(const std::filesystem::path& path, const SynthSong& song)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("demo_song: cannot write " + path.string());
    for (const GridBeat& beat : song.beats) {
        char line[64];
        std::snprintf(line, sizeof line, "%.6f\t%d\n", beat.time, beat.downbeat ? 1 : 0);
        out << line;
    }
    if (!out.flush())
        throw std::runtime_error("demo_song: cannot write " + path.string());
}

std::vector<float> analysisAudio(const std::vector<float>& stereo44k)
{
    constexpr int taps = 63;
    std::vector<double> kernel(taps);
    double sum = 0;
    for (int i = 0; i < taps; ++i) {
        const double x = i - (taps - 1) / 2.0;
        const double cutoff = 10000.0 / 44100.0;
        const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
        kernel[static_cast<size_t>(i)] = sinc * (0.54 - 0.46 * std::cos(2 * std::numbers::pi * i / (taps - 1)));
        sum += kernel[static_cast<size_t>(i)];
    }
    const size_t frames = stereo44k.size() / 2;
    std::vector<float> out(frames / 2);
    for (size_t o = 0; o < out.size(); ++o) {
        double acc = 0;
        for (int i = 0; i < taps; ++i) {
            const auto at = static_cast<int64_t>(2 * o) + i - (taps - 1) / 2;
            if (at >= 0 && at < static_cast<int64_t>(frames))
                acc += kernel[static_cast<size_t>(i)] * 0.5 *
                       (stereo44k[2 * static_cast<size_t>(at)] + stereo44k[2 * static_cast<size_t>(at) + 1]);
        }
        out[o] = static_cast<float>(acc / sum);
    }
    return out;
}
