#include "platform/FileInCoda.h"
#include "platform/FileSistema.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace {

// The common causes in the system's own words, or one of them lost to its neighbour, pass every
// test that only meets a missing folder. Each failure here is the system's own, real to root too:
// no permission bit refuses root, a sealed file and a file of the kernel do.
TEST(FileInCoda, CommonCausesOfAFailedWriteAreNamedInItalian)
{
    const testing_support::TempDir cartella;
    const int sigillato = memfd_create("sigillato", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    ASSERT_GE(sigillato, 0);
    ASSERT_EQ(fcntl(sigillato, F_ADD_SEALS, F_SEAL_WRITE), 0);
    struct Caso {
        std::string percorso;
        std::string motivo;
    };
    const Caso casi[] = {
        { "/dev/full", "spazio su disco esaurito" },
        { (cartella / std::string(300, 'A')).string(), "percorso troppo lungo" },
        { "/proc/self/fd/" + std::to_string(sigillato), "accesso negato" }, // EPERM
        // A file that takes no writes: EIO to root, EACCES to anyone else.
        { "/proc/version", geteuid() == 0 ? "errore del disco" : "accesso negato" },
    };
    for (const Caso& caso : casi)
        EXPECT_EQ(platform::accodaIntero(caso.percorso, "RIGA\r\n"), caso.motivo) << caso.percorso;
    close(sigillato);
}

// Root meets no permission bit: as root alone, "accesso negato" lost for EACCES and a failed delete
// taken for a success would pass. An ordinary user meets both, in a process of its own.
TEST(FileInCoda, AnOrdinaryUserRefusedIsToldAccessIsDeniedAndTheFileStays)
{
    const testing_support::TempDir cartella;
    const std::string sola = (cartella / "PPIP.DAT").string();
    const std::string altrui = (cartella / "ACCESSI.DAT").string();
    testing_support::writeFile(sola, "VECCHIO\r\n");
    testing_support::writeFile(altrui, "VECCHIO\r\n");
    ASSERT_EQ(::chmod(sola.c_str(), 0444), 0);
    // The folder lets the user in but not change what it holds.
    ASSERT_EQ(::chmod(cartella.path().c_str(), 0555), 0);

    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(2);
            const auto scrittura = platform::accodaIntero(sola, "NUOVO\r\n");
            const auto eliminazione = platform::eliminaFile(altrui);
            ::_exit(scrittura == "accesso negato" && eliminazione == "accesso negato" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    ::chmod(cartella.path().c_str(), 0700);
    EXPECT_EQ(testing_support::readFile(sola), "VECCHIO\r\n");
    EXPECT_EQ(testing_support::readFile(altrui), "VECCHIO\r\n");
}

// Data that cannot reach its disk may be refused only when the file is flushed: a close without
// the flush would say the records are there. A FIFO refuses the flush for real.
TEST(FileInCoda, AFailureThatOnlyTheFlushReportsIsNamedAtClose)
{
    const testing_support::TempDir cartella;
    const std::string fifo = (cartella / "PPIP.DAT").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int lettore = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(lettore, 0);

    platform::FileInCoda file;
    ASSERT_FALSE(file.apri(fifo).has_value());
    ASSERT_FALSE(file.accoda("RIGA\r\n").has_value());
    EXPECT_TRUE(file.chiudi().has_value());
    ::close(lettore);
}

} // namespace
