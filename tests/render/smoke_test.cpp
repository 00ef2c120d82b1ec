#include <gtest/gtest.h>

#include "analysis/analysis_model.h"

TEST(AnalysisModel, DefaultValue)
{
    const Analysis a;
    EXPECT_EQ(a.meter, 4);
    EXPECT_TRUE(a.beats.empty());
    EXPECT_EQ(a.engine, "unanalysed");
}
