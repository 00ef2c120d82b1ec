#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/utf.h"
#include "cli/song_report.h"

namespace {

Analysis twoCandidates()
{
    Analysis analysis;
    analysis.bpm = 120.5;
    analysis.bpmLow = 119.25;
    analysis.bpmHigh = 121.75;
    analysis.confidence = 0.875;
    analysis.meter = 3;
    analysis.engine = "Motor \xC2\xB7 prueba";
    Loop best;
    best.start = 8.0000104;  // 384000.4992 frames
    best.end = 40.0000105;   // 1920000.504 frames
    best.outro = 40.5;
    best.bars = 16;
    best.score = 0.9375;
    Loop second = best;
    second.start = 2.0;
    second.end = 10.0;
    second.outro = 80.0;
    second.bars = 4;
    second.score = 0.5;
    analysis.loops = {best, second};
    return analysis;
}

TEST(SongReport, OneLineWithTheSongAndEveryCandidateInSecondsAndFrames)
{
    const std::string line = songReportLine(pathFromUtf8("/música/canción 日本.mp3"), 4608000, twoCandidates());
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const nlohmann::json json = nlohmann::json::parse(line);
    EXPECT_EQ(json["path"], "/música/canción 日本.mp3");
    EXPECT_EQ(json["duration"], 96.0);
    EXPECT_EQ(json["frames"], 4608000);
    EXPECT_EQ(json["bpm"], 120.5);
    EXPECT_EQ(json["bpmLow"], 119.25);
    EXPECT_EQ(json["bpmHigh"], 121.75);
    EXPECT_EQ(json["meter"], 3);
    EXPECT_EQ(json["confidence"], 0.875);
    EXPECT_EQ(json["engine"], "Motor \xC2\xB7 prueba");
    ASSERT_EQ(json["loops"].size(), 2u);
    const nlohmann::json& best = json["loops"][0];
    EXPECT_EQ(best["rank"], 1);
    EXPECT_EQ(best["start"], 8.0000104);
    EXPECT_EQ(best["startFrame"], 384000);
    EXPECT_EQ(best["endFrame"], 1920001);
    EXPECT_EQ(best["outroFrame"], 1944000);
    EXPECT_EQ(best["bars"], 16);
    EXPECT_DOUBLE_EQ(best["length"].get<double>(), 32.0000001);
    EXPECT_EQ(best["score"], 0.9375);
    EXPECT_EQ(json["loops"][1]["rank"], 2);
    EXPECT_EQ(json["loops"][1]["outroFrame"], 3840000);
}

} // namespace
