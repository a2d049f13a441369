#include "platform/FileSistema.h"
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

namespace {

// A user name in another script: neither Windows-1252 nor any "?" spelling of it names the folder.
const std::string kNomeCirillico = "\xD0\x9F\xD1\x91\xD1\x82\xD1\x80"; // Pyotr, in UTF-8

} // namespace

TEST(Paths, DesktopThatWindows1252CannotSpellIsFlagged)
{
    struct Caso {
        std::string utente; // the home folder's name, UTF-8
        bool rappresentabile;
        std::string finale; // the end of the Desktop path, Windows-1252
    };
    const Caso casi[] = {
        { "mario", true, "/mario/Desktop" }, { "Citt\xC3\xA0", true, "/Citt\xE0/Desktop" },
        { kNomeCirillico, false, "/" + std::string(4, '?') + "/Desktop" }, // one "?" a letter
    };
    testing_support::TempDir radice;
    const testing_support::ScopedEnv config("XDG_CONFIG_HOME", (radice / "config").string());
    for (const Caso& caso : casi) {
        std::filesystem::create_directories(radice / caso.utente / "Desktop");
        const testing_support::ScopedEnv home("HOME", (radice / caso.utente).string());

        const platform::CartellaPiattaforma desktop = platform::cartellaDesktop();

        EXPECT_EQ(desktop.rappresentabile, caso.rappresentabile) << caso.utente;
        EXPECT_TRUE(desktop.percorso.ends_with(caso.finale)) << desktop.percorso;
    }
}

TEST(Paths, TemporaryFolderFollowsTmpdirWhenWindows1252CanSpellIt)
{
    testing_support::TempDir radice;
    std::filesystem::create_directories(radice / "tmp");
    std::filesystem::create_directories(radice / kNomeCirillico);
    {
        const testing_support::ScopedEnv tmpdir("TMPDIR", (radice / "tmp").string());
        EXPECT_EQ(platform::cartellaTemporanea(), (radice / "tmp").string() + "/");
    }
    {
        const testing_support::ScopedEnv tmpdir("TMPDIR", (radice / kNomeCirillico).string());
        EXPECT_EQ(platform::cartellaTemporanea(), "");
    }
}

TEST(Paths, PrivateFolderIsTheUsersAloneAndGoesWithWhatItHolds)
{
    testing_support::TempDir radice;
    const std::string base = radice.path().string() + "/";
    std::filesystem::path cartella;
    {
        const platform::CartellaPrivata privata(base);
        ASSERT_FALSE(privata.percorso().empty());
        cartella = platform::percorsoNativo(privata.percorso());
        EXPECT_EQ(cartella.parent_path().parent_path(), radice.path());
        EXPECT_EQ(std::filesystem::status(cartella).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
        testing_support::writeFile(cartella / "zzz_xml.tmp", "<x/>");
        // Two at once never share a folder.
        EXPECT_NE(platform::CartellaPrivata(base).percorso(), privata.percorso());
    }
    EXPECT_FALSE(std::filesystem::exists(cartella));
    EXPECT_TRUE(std::filesystem::is_empty(radice.path()));

    // No base, or one that is not there: no folder, rather than one wherever the program runs.
    EXPECT_EQ(platform::CartellaPrivata("").percorso(), "");
    EXPECT_EQ(platform::CartellaPrivata(base + "assente/").percorso(), "");
}
