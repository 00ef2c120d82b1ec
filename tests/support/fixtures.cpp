#include "support/fixtures.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

std::filesystem::path fixtureDir()
{
    // Set by tests/CMakeLists.txt; under Wine it is the Z: form of the build
    // path, given backslashes here like every other Windows path.
    return std::filesystem::path(TAMREL_FIXTURE_DIR).make_preferred();
}

std::vector<GridBeat> readBeatList(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::vector<GridBeat> beats;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        GridBeat beat;
        int downbeat = 0;
        if (!(fields >> beat.time >> downbeat))
            throw std::runtime_error("bad beat line in " + path.string() + ": " + line);
        beat.downbeat = downbeat == 1;
        beats.push_back(beat);
    }
    return beats;
}

std::filesystem::path writeSongFixture(const std::filesystem::path& folder, const std::string& name,
                                       double seconds, double bpm, int meter)
{
    SongShape shape;
    shape.seconds = seconds;
    shape.bpm = bpm;
    shape.meter = meter;
    const SynthSong song = synthSong(shape);
    std::filesystem::create_directories(folder);
    const auto wav = folder / (name + ".wav");
    writeSongWav(wav, song);
    writeBeatList(folder / (name + ".beats.txt"), song);
    return wav;
}
