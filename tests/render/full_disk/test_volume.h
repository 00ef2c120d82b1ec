// The one volume this test program sees: it links this availableBytes in
// place of the system's, so a full disk can be played on any machine.
#pragma once
#include <cstdint>
#include <filesystem>

struct TestVolume {
    uint64_t available = 0;            // what every query answers
    std::filesystem::path askedAbout;  // the folder of the last query
};

TestVolume& testVolume();
