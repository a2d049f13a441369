#include "app/RigaDiComando.h"

#include <string_view>

#include "app/Interfaccia.h"

namespace {

constexpr std::string_view kAiuto = R"testo(Uso: ov_pip [--help] [--version]

Crea il tracciato della Regione Puglia (ACCESSI.DAT, PPIP.DAT, VACCINI.DAT, BILSALU.DAT e
trx_sconosciuti.txt) dalle prestazioni registrate in Orvella. Si apre la finestra di accesso:
utente e password di Orvella, poi le date e "Crea Tracciato".

I file si trovano nella cartella "KARV (ADI-PPiP)" del Desktop; quelli della volta precedente
passano nella sottocartella "storico", dove registro_esportazioni.csv annota ogni esportazione
(periodo, esito, righe e prestazioni di ogni file). All'avvio la finestra indica l'ultima
esportazione e i mesi, tra gli ultimi dodici, non ancora esportati.

Variabili d'ambiente:
  ORVELLA_SERVER_DB  l'archivio della pratica (SQLite) letto dal server Orvella sostitutivo;
                     se manca, ambulatorio.sqlite accanto al programma
  OV_PIP_REGISTRY    il file delle impostazioni (ultimo_utente, karv_debug);
                     se manca, /etc/Corvitel-Amberlo/registry.reg

  --help     mostra questo aiuto
  --version  mostra la versione
)testo";

} // namespace

std::optional<int> rispostaRigaDiComando(int argc, char** argv, std::ostream& uscita)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argomento = argv[i];
        if (argomento == "--help" || argomento == "-h") {
            uscita << kAiuto;
            return 0;
        }
        if (argomento == "--version") {
            uscita << "ov_pip " << kVersione << '\n';
            return 0;
        }
    }
    return std::nullopt;
}
