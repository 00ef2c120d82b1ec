#include <gtest/gtest.h>

#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/cut_rule.h"
#include "analysis/analysis_report.h"

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// A regional setting that writes 1.234,5: the report must not follow it.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

struct GlobalLocale {
    std::locale saved;
    explicit GlobalLocale(const std::locale& l) : saved(std::locale::global(l)) {}
    ~GlobalLocale() { std::locale::global(saved); }
};

} // namespace

TEST(AnalysisReport, OneBeatDocumentIsExact)
{
    Analysis a;
    Beat b;
    b.time = 0.52;
    b.duration = 179.48;
    b.confidence = 0.81f;
    a.beats.push_back(b);
    a.engine = kEngineNeural;  // the report names the model's family, not this tag
    EXPECT_EQ(analysisReport(a),
              "{\n"
              "\"engine\":\"Beat This! transformer / ONNX CPU\",\"bpm\":0,\"bpmLow\":0,\"bpmHigh\":0,\"meter\":4,"
              "\"confidence\":0,\n"
              "\"beats\":[{\"time\":0.52,\"duration\":179.48,\"bpm\":0,\"phase\":0,\"confidence\":0.810000002,"
              "\"downbeatProbability\":0}],\n"
              "\"connections\":[],\n"
              "\"loops\":[]\n"
              "}\n");
}

// The stand-in's analysis says so, fresh or cached; the tag's text plays no part.
TEST(AnalysisReport, EngineTextFollowsTheModelThatRan)
{
    const struct {
        BeatModelKind model;
        const char* tag;
        const char* header;
    } cases[] = {
        {BeatModelKind::StandIn, kEngineStandIn, "\"engine\":\"Stand-in tempo tracker / ONNX CPU\","},
        {BeatModelKind::StandIn, kEngineStandInCache, "\"engine\":\"Stand-in tempo tracker / ONNX CPU\","},
        {BeatModelKind::Trained, kEngineNeural, "\"engine\":\"Beat This! transformer / ONNX CPU\","},
        {BeatModelKind::Trained, kEngineCache, "\"engine\":\"Beat This! transformer / ONNX CPU\","},
        {BeatModelKind::Trained, kEngineUnanalysed, "\"engine\":\"Beat This! transformer / ONNX CPU\","},
    };
    for (const auto& c : cases) {
        Analysis a;
        a.model = c.model;
        a.engine = c.tag;
        EXPECT_EQ(analysisReport(a).substr(2, std::string(c.header).size()), c.header) << c.tag;
    }
}

TEST(AnalysisReport, NumbersHaveNineSignificantDigits)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {120.0, "120"},          {119.999999999, "120"}, {0.0001, "0.0001"},       {0.00001, "1e-05"},
        {1234567890.0, "1.23456789e+09"}, {-2.5, "-2.5"}, {123456789.0, "123456789"}, {1.0 / 3.0, "0.333333333"},
    };
    for (const auto& c : cases) {
        Analysis a;
        a.bpm = c.value;
        const std::string header = lines(analysisReport(a)).at(1);
        EXPECT_NE(header.find(std::string("\"bpm\":") + c.text + ",\"bpmLow\""), std::string::npos)
            << c.value << " gave " << header;
    }
}

TEST(AnalysisReport, EveryArrayKeepsKeyOrderAndRecordOrder)
{
    Analysis a;
    a.bpm = 128;
    a.bpmLow = 127.5;
    a.bpmHigh = 129;
    a.meter = 3;
    a.confidence = 0.75;
    for (int i = 0; i < 2; ++i) {
        Beat b;
        b.time = 1.0 + i;
        b.duration = 1.0;
        b.bpm = 60;
        b.phase = i;
        b.confidence = 0.9f;
        b.downbeatProbability = i == 0 ? 0.5f : 0.0f;
        b.loudness = -12.0f;  // not reported
        b.bar = 7;            // not reported
        a.beats.push_back(b);
    }
    a.connections.push_back(Connection{0, 1, 0.25f, 0.5f, 0.125f});
    a.connections.push_back(Connection{1, 0, 1.0f, 0.0f, 0.55f});
    Loop l = cutRecord(1.5, 9.25, 20.0);
    l.score = 0.875;
    l.bars = 2;
    l.harmony = 0.1;
    l.timbre = 0.2;
    l.rhythm = 0.3;
    l.loudnessGap = 4.0;  // not reported
    a.loops.push_back(l);
    a.loops.push_back(cutRecord(2, 3, 4));

    const std::vector<std::string> got = lines(analysisReport(a));
    const std::vector<std::string> want = {
        "{",
        "\"engine\":\"Beat This! transformer / ONNX CPU\",\"bpm\":128,\"bpmLow\":127.5,\"bpmHigh\":129,\"meter\":3,"
        "\"confidence\":0.75,",
        "\"beats\":[{\"time\":1,\"duration\":1,\"bpm\":60,\"phase\":0,\"confidence\":0.899999976,"
        "\"downbeatProbability\":0.5},{\"time\":2,\"duration\":1,\"bpm\":60,\"phase\":1,\"confidence\":0.899999976,"
        "\"downbeatProbability\":0}],",
        "\"connections\":[{\"from\":0,\"to\":1,\"score\":0.25,\"harmony\":0.5,\"timbre\":0.125},"
        "{\"from\":1,\"to\":0,\"score\":1,\"harmony\":0,\"timbre\":0.550000012}],",
        "\"loops\":[{\"start\":1.5,\"end\":9.25,\"outro\":20,\"score\":0.875,\"bars\":2,\"startBeat\":-1,"
        "\"endBeat\":-1,\"outroBeat\":-1,\"harmony\":0.1,\"timbre\":0.2,\"rhythm\":0.3},"
        "{\"start\":2,\"end\":3,\"outro\":4,\"score\":0,\"bars\":0,\"startBeat\":-1,\"endBeat\":-1,"
        "\"outroBeat\":-1,\"harmony\":0,\"timbre\":0,\"rhythm\":0}]",
        "}",
    };
    EXPECT_EQ(got, want);
}

TEST(AnalysisReport, IgnoresTheUsersNumberFormat)
{
    Analysis a;
    a.bpm = 1234.5;
    a.beats.push_back(Beat{});
    a.beats[0].time = 100000.25;
    const std::string expected = analysisReport(a);
    const GlobalLocale comma(std::locale(std::locale::classic(), new CommaDecimal));
    EXPECT_EQ(analysisReport(a), expected);
    EXPECT_NE(expected.find("\"bpm\":1234.5,"), std::string::npos);
    EXPECT_NE(expected.find("\"time\":100000.25,"), std::string::npos);
}
