#include "platform/FileInCoda.h"

#include <fcntl.h>
#include <sys/mman.h>
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

} // namespace
