#include <gtest/gtest.h>

#include "support/failing_writes.h"
#include "base/text_file.h"
#include "audio/wav_fixture.h"
#include "support/run_program.h"

namespace {

constexpr const char* kWriteFailed = "No se pudo escribir el informe.";

std::string failureOf(const std::filesystem::path& path, std::string_view bytes)
{
    try {
        writeTextFile(path, bytes);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no failure)";
}

TEST(WriteTextFile, ReplacesTheWholeFileWithExactBytes)
{
    testsupport::TempFolder folder("text");
    const auto file = folder.path / "verification.txt";
    writeTextFile(file, "a much longer first content\r\n");
    writeTextFile(file, std::string_view("ñ\0x", 4));
    EXPECT_EQ(testsupport::readBytes(file), std::string("ñ\0x", 4));
}

TEST(WriteTextFile, FailsWithTheReportMessage)
{
    testsupport::TempFolder folder("text");
    EXPECT_EQ(failureOf(folder.path / "missing" / "verification.txt", "x"), kWriteFailed);
    EXPECT_EQ(failureOf(folder.path, "x"), kWriteFailed);  // a folder is in the way

    {
        const FailingWrites diskFull(1);
        EXPECT_EQ(failureOf(folder.path / "full-disk.txt", "x"), kWriteFailed);
    }
}

// The failed writes that every writer's error-path tests rely on: the Nth
// write fails and the disk stays full, and the failure ends with its scope
// even when the scope is left by an exception.
TEST(FailingWrites, FailsTheNthWriteOnwardsUntilItsScopeEnds)
{
    testsupport::TempFolder folder("text");
    const auto file = folder.path / "informe.txt";
    {
        const FailingWrites diskFull(3);
        EXPECT_EQ(failureOf(file, "1"), "(no failure)");
        EXPECT_EQ(failureOf(file, "2"), "(no failure)");
        EXPECT_EQ(failureOf(file, "3"), kWriteFailed);
        EXPECT_EQ(failureOf(file, "4"), kWriteFailed);
    }
    EXPECT_EQ(failureOf(file, "5"), "(no failure)");
    try {
        const FailingWrites diskFull(1);
        throw std::runtime_error("an assertion or the code under test gave up here");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(failureOf(file, "6"), "(no failure)");
    EXPECT_EQ(testsupport::readBytes(file), "6");
}

} // namespace
