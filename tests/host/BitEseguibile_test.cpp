#include "host/BitEseguibile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The first bytes of a file: "MZ", the PE header's offset at 0x3C, and at that offset "PE\0\0"
// and the machine, in a buffer of the given size (all little-endian, as Windows writes them).
std::vector<unsigned char> inizio(std::size_t dimensione, std::uint32_t pe, std::uint16_t macchina)
{
    std::vector<unsigned char> dati(dimensione, 0);
    dati[0] = 'M';
    dati[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        dati[0x3C + i] = static_cast<unsigned char>(pe >> (8 * i));
    if (pe <= dimensione - 6) {
        dati[pe] = 'P';
        dati[pe + 1] = 'E';
        dati[pe + 4] = static_cast<unsigned char>(macchina);
        dati[pe + 5] = static_cast<unsigned char>(macchina >> 8);
    }
    return dati;
}

TEST(BitEseguibile, FromTheHeaderNeverPastWhatWasRead)
{
    struct Caso {
        const char* nome;
        std::vector<unsigned char> dati;
        int bit;
    };
    std::vector<unsigned char> senzaMz = inizio(512, 0x80, 0x014C);
    senzaMz[0] = 'Z';
    const Caso casi[] = {
        { "i386", inizio(512, 0x80, 0x014C), 32 },
        { "x64", inizio(512, 0x80, 0x8664), 64 },
        { "ARM64", inizio(512, 0x80, 0xAA64), 64 },
        { "another machine", inizio(512, 0x80, 0x01C4), 0 },
        { "header at an odd offset", inizio(512, 0x41, 0x014C), 32 },
        { "header ending where the bytes end", inizio(0x86, 0x80, 0x8664), 64 },
        { "machine one byte past the end", inizio(0x85, 0x80, 0x8664), 0 },
        { "offset near 4 GB", inizio(512, 0xFFFFFFFC, 0x014C), 0 },
        { "offset past the end", inizio(512, 4096, 0x014C), 0 },
        { "no MZ", senzaMz, 0 },
        { "shorter than the DOS header", std::vector<unsigned char> { 'M', 'Z', 0, 0 }, 0 },
    };
    for (const Caso& caso : casi)
        EXPECT_EQ(host::bitEseguibile(caso.dati), caso.bit) << caso.nome;
}

} // namespace
