#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/utf.h"
#include "cli/song_report.h"

namespace {

// A POSIX file name may be any bytes; the JSON line stays valid UTF-8.
TEST(SongReport, NoCandidatesIsAnEmptyListAndAnyBytePathStaysValidJson)
{
    Analysis none;
    const std::string line = songReportLine(pathFromUtf8("/m/a\xFF" "b.wav"), 960000, none);
    const nlohmann::json json = nlohmann::json::parse(line);
    EXPECT_EQ(json["path"], "/m/a\xEF\xBF\xBD" "b.wav");
    EXPECT_TRUE(json["loops"].is_array());
    EXPECT_TRUE(json["loops"].empty());
}

} // namespace
