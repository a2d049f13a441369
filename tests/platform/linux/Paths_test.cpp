#include "platform/Paths.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

TEST(Paths, NativePathOfA1252TextIsUtf8AndReachesTheFile)
{
    testing_support::TempDir cartella;
    const std::string percorso = cartella.path().string()
        + "/m\xE9"
          "dico \x80.txt";

    EXPECT_EQ(platform::percorsoNativo(percorso).filename().string(),
        "m\xC3\xA9"
        "dico \xE2\x82\xAC.txt");
    testing_support::writeFile(platform::percorsoNativo(percorso), "x");
    EXPECT_TRUE(std::filesystem::exists(cartella
        / "m\xC3\xA9"
          "dico \xE2\x82\xAC.txt"));
}

TEST(Paths, ProgramFolderIsTheFolderOfThisProgramWithATrailingSeparator)
{
    const std::string cartella = platform::cartellaProgramma();

    ASSERT_FALSE(cartella.empty());
    EXPECT_EQ(cartella.back(), platform::separatore);
    EXPECT_TRUE(std::filesystem::equivalent(
        platform::percorsoNativo(cartella), std::filesystem::read_symlink("/proc/self/exe").parent_path()));
}
