#include "host/BitEseguibile.h"

#include <cstdint>
#include <cstring>

namespace host {
namespace {

// The header's fields are little-endian and may lie at any offset: copied, never cast in place.
template <typename Intero> Intero leggi(std::span<const unsigned char> dati, std::size_t posizione)
{
    Intero valore {};
    std::memcpy(&valore, dati.data() + posizione, sizeof valore);
    return valore;
}

} // namespace

int bitEseguibile(std::span<const unsigned char> inizio)
{
    constexpr std::size_t kPosizioneIntestazione = 0x3C; // where the DOS header keeps the PE header's offset
    constexpr std::size_t kFirmaEMacchina = 6; // "PE\0\0", then the machine's two bytes
    if (inizio.size() < kPosizioneIntestazione + 4 || inizio[0] != 'M' || inizio[1] != 'Z')
        return 0;
    const std::uint32_t pe = leggi<std::uint32_t>(inizio, kPosizioneIntestazione);
    // Compared with what is left, so that an offset near 4 GB cannot wrap around the bound.
    if (pe > inizio.size() - kFirmaEMacchina || std::memcmp(inizio.data() + pe, "PE\0\0", 4) != 0)
        return 0;
    switch (leggi<std::uint16_t>(inizio, pe + 4)) {
    case 0x014C: // i386
        return 32;
    case 0x8664: // x64
    case 0xAA64: // ARM64
        return 64;
    default:
        return 0;
    }
}

} // namespace host
