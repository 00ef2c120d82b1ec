#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/duration_text.h"

TEST(DurationText, ReadsMinutesSecondsOrSeconds)
{
    const struct {
        std::u16string text;
        std::optional<double> seconds;
    } cases[] = {
        {u"", std::nullopt},
        {u"   ", std::nullopt},
        {u"2:37", 157.0},
        {u"2:37.250", 157.25},
        {u"2:37,25", 157.25},
        {u"0:05", 5.0},
        {u" 12:00 ", 720.0},
        {u"157", 157.0},
        {u"157.5", 157.5},
        {u"157,125", 157.125},
        {u"90:00.5", 5400.5},
        {u"0.001", 0.001},
    };
    for (const auto& c : cases) {
        const std::optional<double> read = readDurationText(c.text);
        EXPECT_EQ(read, c.seconds) << std::string(c.text.begin(), c.text.end());
    }
}

TEST(DurationText, RefusesAnythingElse)
{
    for (const std::u16string text :
         {u"2:7", u"2:60", u"2:37.", u":37", u"2:", u"1:2:3", u"-5", u"+5", u"0", u"0:00", u"0.000", u"5s", u"5 s",
          u"1e2", u"inf", u"nan", u".5", u"2;37", u"2:37,2,5", u"١٥٧", u"12345678901234567890123456789012345"}) {
        try {
            readDurationText(text);
            ADD_FAILURE() << "accepted " << std::string(text.begin(), text.end());
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), kInvalidDurationMessage);
        }
    }
}

TEST(DurationText, MontageAndDifferenceTexts)
{
    const struct {
        int64_t frames;
        const char* clock;
    } clocks[] = {
        {0, "00:00.000"},        {9240000, "03:12.500"}, {23, "00:00.000"},
        {24, "00:00.001"},       {2879999, "01:00.000"}, {57600000, "20:00.000"},
        {48000 * 6000, "100:00.000"},
    };
    for (const auto& c : clocks)
        EXPECT_EQ(montageClockText(c.frames), c.clock) << c.frames;

    const struct {
        int64_t frames;
        const char* text;
    } differences[] = {
        {86400, "+1.8 s"}, {-19200, "-0.4 s"}, {0, "0.0 s"},      {2399, "0.0 s"},
        {-2399, "0.0 s"},  {2400, "+0.1 s"},   {-2400, "-0.1 s"}, {480000 + 4800, "+10.1 s"},
    };
    for (const auto& d : differences)
        EXPECT_EQ(differenceText(d.frames), d.text) << d.frames;
}
