#include <algorithm>
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

AnalysisForms analysisFormsOf(const std::vector<float>& s)
{
    const size_t frames = s.size() / 2;
    AnalysisForms forms;
    const size_t frames48 = frames * 48000 / 44100;
    forms.stereo.resize(2 * frames48);
    for (size_t i = 0; i < frames48; ++i) {
        const double position = static_cast<double>(i) * 44100.0 / 48000.0;
        const size_t k = std::min(static_cast<size_t>(position), frames - 2);
        const float weight = static_cast<float>(position - static_cast<double>(k));
        for (size_t c = 0; c < 2; ++c)
            forms.stereo[2 * i + c] = s[2 * k + c] * (1.0f - weight) + s[2 * (k + 1) + c] * weight;
    }
    forms.mono.resize(frames / 2);
    for (size_t n = 0; n < forms.mono.size(); ++n)
        forms.mono[n] = 0.25f * (s[4 * n] + s[4 * n + 1] + s[4 * n + 2] + s[4 * n + 3]);
    return forms;
}
