#include "export/LarghezzaRecord.h"

#include <array>
#include <fstream>

#include "export/Records.h"
#include "platform/Paths.h"

RigheFuoriMisura righeFuoriMisura(const std::string& sFile, std::size_t larghezza)
{
    RigheFuoriMisura righe;
    std::ifstream file(platform::percorsoNativo(sFile), std::ios::binary);
    if (!file)
        return righe;
    const auto fuoriMisura = [&righe](std::int32_t riga) {
        ++righe.n;
        if (righe.prime.size() < 3)
            righe.prime.push_back(riga);
    };
    // Read piece by piece: a large practice's file need not be held whole.
    std::array<char, 65536> blocco;
    std::int32_t riga = 1;
    std::size_t lunghezza = 0; // of the record so far, its CR included
    char precedente = '\0';
    while (file.read(blocco.data(), blocco.size()) || file.gcount() > 0) {
        const auto letti = static_cast<std::size_t>(file.gcount());
        for (std::size_t i = 0; i < letti; ++i) {
            const char c = blocco[i];
            if (c == '\n' && precedente == '\r') {
                if (lunghezza - 1 != larghezza)
                    fuoriMisura(riga);
                ++riga;
                lunghezza = 0;
                precedente = '\0';
                continue;
            }
            ++lunghezza;
            precedente = c;
        }
    }
    if (lunghezza > 0)
        fuoriMisura(riga);
    return righe;
}

std::string avvisoLarghezza(const std::string& nomeFile, std::size_t larghezza, const RigheFuoriMisura& righe)
{
    if (righe.n == 0)
        return {};
    const bool una = righe.n == 1;
    std::string numeri;
    for (const std::int32_t riga : righe.prime)
        numeri += (numeri.empty() ? "" : ", ") + std::to_string(riga);
    if (righe.n > static_cast<std::int32_t>(righe.prime.size()))
        numeri += " e altre";
    return "ATTENZIONE: " + std::to_string(righe.n) + (una ? " riga di " : " righe di ") + nomeFile
        + (una ? " non \xE8 di " : " non sono di ") + std::to_string(larghezza) + " caratteri ("
        + (una ? "riga " : "righe ") + numeri + "): il file non \xE8 conforme al tracciato.";
}

std::string avvisiLarghezza(const UnitaFormMain& unita)
{
    struct Tracciato {
        const std::string& sFile;
        const char* nome;
        std::size_t larghezza;
    };
    const Tracciato tracciati[] = {
        { unita.sFileBilsalu, "BILSALU.DAT", kLarghezzaBilsalu },
        { unita.sFileAccessi, "ACCESSI.DAT", kLarghezzaAccessi },
        { unita.sFilePpip, "PPIP.DAT", kLarghezzaPpip },
        { unita.sFileVaccini, "VACCINI.DAT", kLarghezzaPpip },
    };
    std::string avvisi;
    for (const Tracciato& tracciato : tracciati) {
        if (tracciato.sFile.empty())
            continue;
        const std::string avviso = avvisoLarghezza(
            tracciato.nome, tracciato.larghezza, righeFuoriMisura(tracciato.sFile, tracciato.larghezza));
        if (!avviso.empty())
            avvisi += (avvisi.empty() ? "\r\n\r\n" : "\r\n") + avviso;
    }
    return avvisi;
}
