// demo_song --out PREFIX                                   the 96 s demo song
// demo_song --seconds S --bpm B --meter M --out PREFIX     a song of that shape,
//           [--hats none|quarter|eighth|sixteenth|swung] [--bass syncopated|tresillo]
//           [--compound 1] [--drift FRACTION]
// Writes PREFIX.wav (16-bit stereo 44.1 kHz) and PREFIX.beats.txt (ground truth).
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "tools/demo_song/song_synth.h"

namespace {

HatPattern hatPatternNamed(const std::string& name)
{
    if (name == "quarter")
        return HatPattern::Quarter;
    if (name == "none")
        return HatPattern::None;
    if (name == "eighth")
        return HatPattern::Eighth;
    if (name == "sixteenth")
        return HatPattern::Sixteenth;
    if (name == "swung")
        return HatPattern::Swung;
    throw std::runtime_error("demo_song: unknown hat pattern " + name);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        SongShape shape = demoShape();
        std::string prefix;
        bool custom = false;
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string key = argv[i], value = argv[i + 1];
            if (key == "--out")
                prefix = value;
            else if (key == "--seconds")
                shape.seconds = std::stod(value), custom = true;
            else if (key == "--bpm")
                shape.bpm = std::stod(value), custom = true;
            else if (key == "--meter")
                shape.meter = std::stoi(value), custom = true;
            else if (key == "--hats")
                shape.hats = hatPatternNamed(value), custom = true;
            else if (key == "--bass" && value == "syncopated")
                shape.bass = BassPattern::Syncopated, custom = true;
            else if (key == "--bass" && value == "tresillo")
                shape.bass = BassPattern::Tresillo, custom = true;
            else if (key == "--compound")
                shape.compound = value == "1", custom = true;
            else if (key == "--drift")
                shape.drift = std::stod(value), custom = true;
            else
                throw std::runtime_error("demo_song: unknown option " + key);
        }
        if (prefix.empty() || argc % 2 == 0)
            throw std::runtime_error("usage: demo_song [--seconds S --bpm B --meter M] --out PREFIX");
        if (custom)
            shape.arranged = false;
        const SynthSong song = synthSong(shape);
        writeSongWav(prefix + ".wav", song);
        writeBeatList(prefix + ".beats.txt", song);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
