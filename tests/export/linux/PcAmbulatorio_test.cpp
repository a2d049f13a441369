// What a practice's PC does to a run, for real: a program that dies holding the output folder or
// its extract.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/BloccoCartella.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::writeFile;

// A lock that outlived its program would stop every later export until someone found the file.
TEST(PcAmbulatorio, FolderLockOfADeadProgramDoesNotStopTheNextRun)
{
    const testing_support::TempDir radice;
    const std::string cartella = radice.path().string() + "/";
    const pid_t figlio = ::fork();
    if (figlio == 0) {
        // Dies holding the lock, without letting it go.
        const auto* blocco = new platform::BloccoCartella(cartella);
        ::_exit(blocco->preso() ? 0 : 1);
    }
    int stato = 0;
    ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
    ASSERT_EQ(WEXITSTATUS(stato), 0);

    const platform::BloccoCartella blocco(cartella);
    EXPECT_TRUE(blocco.preso());
    EXPECT_FALSE(platform::BloccoCartella(cartella).preso()) << "a second run while this one holds it";
}

// Another session's run still reads its extract: removing it would fail that run. A link under a
// dead run's name goes, but what it points at is not the run's to remove.
TEST(PcAmbulatorio, OnlyTheExtractsOfDeadProgramsAreRemoved)
{
    const testing_support::TempDir radice;
    const pid_t figlio = ::fork();
    if (figlio == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(figlio, nullptr, 0), figlio);
    const fs::path vivo = radice / ("ov_pip-" + std::to_string(::getppid()) + "-a");
    const fs::path morto = radice / ("ov_pip-" + std::to_string(figlio) + "-b");
    for (const fs::path& cartella : { vivo, morto }) {
        fs::create_directories(cartella);
        writeFile(cartella / "zzz_xml.tmp", "<Elenco_prestazioni_incentivanti/>");
    }

    const fs::path altrove = radice / "altrove";
    fs::create_directories(altrove);
    writeFile(altrove / "paziente.txt", "dati");
    const fs::path collegamento = radice / ("ov_pip-" + std::to_string(figlio) + "-c");
    fs::create_directory_symlink(altrove, collegamento);
    fs::create_directory_symlink(altrove, morto / "dentro");

    platform::rimuoviCartellePrivateAbbandonate(radice.path().string() + "/");

    EXPECT_TRUE(fs::exists(vivo / "zzz_xml.tmp"));
    EXPECT_FALSE(fs::exists(morto));
    EXPECT_FALSE(fs::exists(fs::symlink_status(collegamento)));
    EXPECT_EQ(testing_support::readFile(altrove / "paziente.txt"), "dati");
}
