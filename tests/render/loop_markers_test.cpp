#include <gtest/gtest.h>

#include <string>

#include "render/loop_markers.h"

TEST(LoopMarkers, FourLabelsInSecondsWithSixDecimals)
{
    const struct {
        int64_t a, b, o;
        const char* text;
    } cases[] = {
        {60000, 168000, 192000,
         "1.250000\t3.500000\tbucle\n"
         "1.250000\t1.250000\tinicio del bucle\n"
         "3.500000\t3.500000\tfin del bucle\n"
         "4.000000\t4.000000\tfinal\n"},
        // One frame is 20.833 us: the sixth decimal rounds to nearest.
        {1, 48001, 57599999,
         "0.000021\t1.000021\tbucle\n"
         "0.000021\t0.000021\tinicio del bucle\n"
         "1.000021\t1.000021\tfin del bucle\n"
         "1199.999979\t1199.999979\tfinal\n"},
        // The outro may start right at the loop end.
        {24000, 81600, 81600,
         "0.500000\t1.700000\tbucle\n"
         "0.500000\t0.500000\tinicio del bucle\n"
         "1.700000\t1.700000\tfin del bucle\n"
         "1.700000\t1.700000\tfinal\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loopMarkers(c.a, c.b, c.o), c.text);
}
