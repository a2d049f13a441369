// The export engine's benchmark as the Windows build runs it, without windows: whole export runs
// at 10,000 and 100,000 services, debug off and on, with their parts.
//
//     bench_export [--runs N] [--size S]
//     bench_export --pratica FILE --lavoro CARTELLA [--runs N]
//
// The second form measures one practice made elsewhere, debug off and on, and writes one
// "name value" line per measure: the Linux benchmark (bench_export --windows bench_export.exe) runs it under Wine on
// the practices it made itself, and prints both runs side by side.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "MisuraEsportazione.h"
#include "platform/FileSistema.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;
using namespace bench;

int main(int argc, char** argv)
{
    OpzioniComuni opzioni { 3 };
    std::string pratica;
    std::string lavoro;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argomento = argv[i];
        if (opzioni.leggi(i, argc, argv)) {
            continue;
        } else if (argomento == "--pratica" && i + 1 < argc) {
            pratica = argv[++i];
        } else if (argomento == "--lavoro" && i + 1 < argc) {
            lavoro = argv[++i];
        } else {
            std::fprintf(stderr,
                "Uso: bench_export [--runs N] [--size S]\n"
                "     bench_export --pratica FILE --lavoro CARTELLA [--runs N]\n");
            return 2;
        }
    }
    const int ripetizioni = std::max(opzioni.ripetizioni, 1);

    try {
        if (!pratica.empty()) {
            const Risultati risultati = misuraEsportazione(
                platform::percorsoNativo(pratica), platform::percorsoNativo(lavoro), ripetizioni, { false, true });
            std::fputs(risultati.scrivi().c_str(), stdout);
            return risultati.mediana("messaggi_inattesi") == 0 ? 0 : 1;
        }

        const std::string sRadice = platform::creaCartellaPrivata(platform::cartellaTemporanea());
        if (sRadice.empty())
            return 2;
        const fs::path radice = platform::percorsoNativo(sRadice);
        bool tuttoBene = true;
        intestazioneRighe();
        for (const int dimensione : opzioni.solaDimensione > 0 ? std::vector<int> { opzioni.solaDimensione }
                                                               : std::vector<int> { 10000, 100000 }) {
            const fs::path db = radice / ("pratica_" + std::to_string(dimensione) + ".sqlite");
            generaPraticaBench(db, dimensione);
            const Risultati risultati
                = misuraEsportazione(db, radice / std::to_string(dimensione), ripetizioni, { false, true });
            for (const bool bDebug : { false, true })
                tuttoBene = riga({ dimensione, bDebug, "Windows", risultati, nullptr, true }) && tuttoBene;
        }
        std::error_code ignorato;
        fs::remove_all(radice, ignorato);
        return tuttoBene ? 0 : 1;
    } catch (const std::exception& errore) {
        std::fprintf(stderr, "errore: %s\n", errore.what());
        return 1;
    }
}
