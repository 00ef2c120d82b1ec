// demo_song --out PREFIX                                   the 96 s demo song
// demo_song --seconds S --bpm B --meter M --out PREFIX     a song of that shape
// Writes PREFIX.wav (16-bit stereo 44.1 kHz) and PREFIX.beats.txt (ground truth).
#include <cstdio>
#include <exception>
#include <string>

#include "tools/demo_song/song_synth.h"

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
