#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/free_space.h"
#include "support/run_program.h"
#include "support/message_of.h"

namespace {

using testsupport::messageOf;

TEST(FreeSpace, WalksUpToAnExistingFolderAndCountsTheReserve)
{
    testsupport::TempFolder folder("space");
    const auto missing = folder.path / "not" / "yet" / "made";
    EXPECT_NO_THROW(ensureFreeSpace(missing, 0));
    const std::string full = "Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.";
    EXPECT_EQ(messageOf([&] { ensureFreeSpace(missing, UINT64_MAX / 2); }), full);
    EXPECT_EQ(messageOf([&] { ensureFreeSpace(folder.path, UINT64_MAX); }), full);  // no wrap-around
}

} // namespace
