// The main of every test program: GoogleTest's run, with two outcomes it
// would otherwise report as a pass.
// - A filter pattern that selects no test fails the run: a renamed or
//   deleted test must not leave a script or a ctest entry passing on nothing.
// - A run whose only blemish is a skip ends with kSkippedExitCode, which
//   ctest is told to show as skipped, even for a whole program run as one
//   ctest entry; scripts/ctest.sh then fails it under CI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSkippedExitCode = 77;

// GoogleTest's pattern language: '*' any run of characters, '?' any one.
bool matches(const char* pattern, const char* name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return matches(pattern + 1, name) || (*name != '\0' && matches(pattern, name + 1));
    return *name != '\0' && (*pattern == '?' || *pattern == *name) && matches(pattern + 1, name + 1);
}

// The patterns before the first '-' of the filter, the ones that select.
std::vector<std::string> selectingPatterns(const std::string& filter)
{
    std::vector<std::string> patterns;
    const std::string selecting = filter.substr(0, filter.find('-'));
    size_t from = 0;
    while (from <= selecting.size()) {
        const size_t colon = std::min(selecting.find(':', from), selecting.size());
        if (colon > from)
            patterns.push_back(selecting.substr(from, colon - from));
        from = colon + 1;
    }
    if (patterns.empty())
        patterns.push_back("*");
    return patterns;
}

bool selectsATest(const std::string& pattern)
{
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            const std::string name = std::string(suite.name()) + "." + test.name();
            if (test.should_run() && matches(pattern.c_str(), name.c_str()))
                return true;
        }
    }
    return false;
}

bool everyPatternSelectsATest()
{
    // A shard may rightly run none of a pattern's tests.
    if (std::getenv("GTEST_TOTAL_SHARDS"))
        return true;
    bool all = true;
    for (const std::string& pattern : selectingPatterns(GTEST_FLAG_GET(filter))) {
        if (!selectsATest(pattern)) {
            std::fprintf(stderr, "No test matches the filter pattern \"%s\".\n", pattern.c_str());
            all = false;
        }
    }
    return all;
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    if (GTEST_FLAG_GET(list_tests))
        return failed;
    const bool selected = everyPatternSelectsATest();
    if (failed != 0 || !selected)
        return 1;
    return testing::UnitTest::GetInstance()->skipped_test_count() == 0 ? 0 : kSkippedExitCode;
}
