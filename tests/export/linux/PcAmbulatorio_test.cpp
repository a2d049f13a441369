// What a practice's PC does to a run, for real: a disk that fills during the history copy, and a
// program that dies holding the output folder.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "export/Storico.h"
#include "platform/BloccoCartella.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

// A tmpfs of a few pages at the folder, seen by this test process alone.
bool discoPiccolo(const fs::path& cartella)
{
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount("tmpfs", cartella.c_str(), "tmpfs", 0, "size=64k") == 0;
}

// Fills the disk, then frees one page: room for part of a copy only.
void riempiTranneUnaPagina(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const std::string pagina(4096, 'z');
    off_t scritti = 0;
    for (ssize_t n; (n = ::write(fd, pagina.data(), pagina.size())) > 0;)
        scritti += n;
    EXPECT_EQ(errno, ENOSPC);
    ASSERT_EQ(::ftruncate(fd, scritti - 4096), 0);
    ::close(fd);
}

} // namespace

// A copy cut short by a full disk once deleted the whole previous export, leaving a cut one.
TEST(PcAmbulatorio, DiskFullDuringTheHistoryCopyKeepsThePreviousFileWhole)
{
    const testing_support::TempDir radice;
    const fs::path cartella = radice / "KARV (ADI-PPiP)";
    fs::create_directories(cartella);
    if (!discoPiccolo(cartella))
        GTEST_SKIP() << "a tmpfs can be mounted only with the right to make a mount namespace";
    fs::create_directories(cartella / "storico");
    std::string ppip;
    for (int riga = 0; riga < 169; ++riga)
        ppip += "ABCDEF12G34H567I0000001010120240000001\r\n"; // 6,760 bytes: two pages
    writeFile(cartella / "PPIP.DAT", ppip);
    riempiTranneUnaPagina(cartella / "riempitivo");

    const Storicizzazione esito = spostaInStorico(
        (cartella / "PPIP.DAT").string(), (cartella / "storico").string() + "/", PrecisioneTimbro::Secondo);

    EXPECT_EQ(esito.esito, EsitoStorico::CopiaFallita);
    EXPECT_EQ(esito.motivo, "spazio su disco esaurito");
    EXPECT_EQ(readFile(cartella / "PPIP.DAT"), ppip);
    EXPECT_TRUE(fs::is_empty(cartella / "storico"));
    ::umount(cartella.c_str());
}

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

// Another session's run still reads its extract: removing it would fail that run.
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

    platform::rimuoviCartellePrivateAbbandonate(radice.path().string() + "/");

    EXPECT_TRUE(fs::exists(vivo / "zzz_xml.tmp"));
    EXPECT_FALSE(fs::exists(morto));
}
