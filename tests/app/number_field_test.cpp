#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "base/utf.h"
#include "app/number_field.h"

namespace {

TEST(NumberFields, AcceptsOneFiniteNumberWithPointOrComma)
{
    struct Case {
        std::u16string text;
        double value;
    };
    const std::vector<Case> cases = {
        {u"2,5", 2.5},      {u"2.5", 2.5},        {u" 8", 8.0},           {u"\t 8", 8.0},
        {u"-1.25", -1.25},  {u"+3", 3.0},         {u"1e3", 1000.0},       {u"2,5E-1", 0.25},
        {u".5", 0.5},       {u"5.", 5.0},         {u"0012", 12.0},        {u"120.000000", 120.0},
        {u"1e-400", 0.0},   {u"1.7976931348623157e308", 1.7976931348623157e308},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text));
        EXPECT_EQ(readNumberField(c.text), c.value);
    }
}

TEST(NumberFields, RejectsAnythingButOneFiniteNumber)
{
    const std::vector<std::u16string> cases = {
        u"",      u" ",     u"2.5s",  u"inf",   u"-inf",     u"nan",  u"Infinity", u"1e999", u"-1e999",
        u"8 ",    u"8\t",   u"2,5,5", u"1.5.", u"+-1",     u"--1",  u"++1",      u"-",     u"e5",
        u"1e",    u"0x10",  u"½",     u"٣",     u"8\u00a0", u"\u3000" u"8", std::u16string(u"8\0", 2),
        u"1 000",
    };
    for (const std::u16string& text : cases) {
        SCOPED_TRACE(utf16ToUtf8(text));
        try {
            readNumberField(text);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), kInvalidNumberMessage);
        }
    }
}

} // namespace
