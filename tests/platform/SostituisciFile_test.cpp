#include "platform/FileSistema.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// The new file takes the place of the old one, which Windows moves over only when told to replace
// it; a place it cannot take leaves both as they were.
TEST(SostituisciFile, TheNewFileTakesThePlaceOrBothStayAsTheyWere)
{
    TempDir cartella;
    writeFile(cartella / "nuovo.tmp", "NUOVO");
    writeFile(cartella / "RIEPILOGO.pdf", "VECCHIO");
    std::filesystem::create_directory(cartella / "CARTELLA.pdf");

    EXPECT_FALSE(platform::sostituisciFile((cartella / "nuovo.tmp").string(), (cartella / "RIEPILOGO.pdf").string())
                     .has_value());
    EXPECT_EQ(readFile(cartella / "RIEPILOGO.pdf"), "NUOVO");
    EXPECT_FALSE(std::filesystem::exists(cartella / "nuovo.tmp"));

    writeFile(cartella / "nuovo.tmp", "NUOVO");
    EXPECT_TRUE(
        platform::sostituisciFile((cartella / "nuovo.tmp").string(), (cartella / "CARTELLA.pdf").string()).has_value());
    EXPECT_EQ(readFile(cartella / "nuovo.tmp"), "NUOVO");
    EXPECT_TRUE(std::filesystem::is_directory(cartella / "CARTELLA.pdf"));
}

} // namespace
