#include <gtest/gtest.h>

#include "base/fault_injection.h"
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

    ioFailCountdown = 1;
    const std::string failure = failureOf(folder.path / "full-disk.txt", "x");
    ioFailCountdown = 0;
    EXPECT_EQ(failure, kWriteFailed);
}

} // namespace
