// Creates a demo practice database for the stand-in host server and prints its sign-ins.

#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "hostserver/GeneratorePratica.h"
#include "hostserver/Sqlite.h"

namespace {

constexpr const char* kUso
    = "Uso: genera_demo [--patients N] [--services N] [--exams N] [--seed S] [--occupato METODO SECONDI]\n"
      "                  [--occupato-filtro METODO SECONDI RISPOSTA] [--chiuso METODO CHIAMATE] <percorso.sqlite>\n"
      "Crea una pratica dimostrativa per il server Orvella sostitutivo (un file esistente è sostituito).\n"
      "  --patients N  pazienti di ciascuno dei due medici titolari, MMG e pediatra: in tutto 2 x N\n"
      "                (più pochi pazienti degli utenti rifiutati); predefinito 300\n"
      "  --services N  prestazioni per paziente dei due medici, nell'ultimo anno:\n"
      "                in tutto 2 x patients x N; predefinito 6\n"
      "  --exams N     accertamenti per paziente del pediatra: in tutto patients x N; predefinito 4\n"
      "  --seed S      seme dei dati casuali: lo stesso seme dà la stessa pratica; predefinito 1\n"
      "  --occupato METODO SECONDI  il server rifiuta ogni chiamata come occupato per SECONDI dalla prima\n"
      "                chiamata di METODO (per una chiamata pipe: call_method_pipe:carica e simili)\n"
      "  --occupato-filtro METODO SECONDI RISPOSTA  lo stesso, ma il server in un processo suo (orvella_server32/64)\n"
      "                rifiuta le chiamate dal suo filtro dei messaggi, con RISPOSTA RETRYLATER o REJECTED\n"
      "  --chiuso METODO CHIAMATE  il server si chiude alla chiamata di METODO che segue le prime CHIAMATE\n"
      "Una pratica di oltre 4 GB è rifiutata.\n";

// Bytes a generated practice takes on disk for each row, measured on generated practices and
// rounded up, and the most that the generator will write.
constexpr double kBytePerPaziente = 100;
constexpr double kBytePerPrestazione = 70;
constexpr double kBytePerAccertamento = 60;
constexpr double kByteMassimi = 4.0 * 1024 * 1024 * 1024;

double byteStimati(const hostserver::OpzioniPratica& opzioni)
{
    const double pazienti = opzioni.pazientiPerMedico;
    return 2 * pazienti * (kBytePerPaziente + opzioni.prestazioniPerPaziente * kBytePerPrestazione)
        + pazienti * opzioni.accertamentiPerPazientePls * kBytePerAccertamento;
}

template <typename T> bool numero(std::string_view testo, T& valore)
{
    const auto [fermo, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
    return !testo.empty() && errore == std::errc() && fermo == testo.data() + testo.size() && valore >= 0;
}

// A busy or a vanishing host, written into the practice's fault table.
struct GuastoServer {
    std::string colonna; // occupato_secondi or chiuso_dopo
    std::string metodo;
    long long valore = 0;
    std::optional<std::string> filtro = std::nullopt; // RETRYLATER or REJECTED
};

} // namespace

int main(int argc, char** argv)
{
    hostserver::OpzioniPratica opzioni;
    std::vector<GuastoServer> guasti;
    std::string percorso;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argomento = argv[i];
        const bool conValore = i + 1 < argc;
        bool valido = true;
        if (argomento == "--patients" && conValore)
            valido = numero(argv[++i], opzioni.pazientiPerMedico);
        else if (argomento == "--services" && conValore)
            valido = numero(argv[++i], opzioni.prestazioniPerPaziente);
        else if (argomento == "--exams" && conValore)
            valido = numero(argv[++i], opzioni.accertamentiPerPazientePls);
        else if (argomento == "--seed" && conValore)
            valido = numero(argv[++i], opzioni.seme);
        else if ((argomento == "--occupato" || argomento == "--chiuso") && i + 2 < argc) {
            GuastoServer guasto { argomento == "--occupato" ? "occupato_secondi" : "chiuso_dopo", argv[i + 1] };
            valido = numero(argv[i + 2], guasto.valore);
            guasti.push_back(guasto);
            i += 2;
        } else if (argomento == "--occupato-filtro" && i + 3 < argc) {
            GuastoServer guasto { "occupato_secondi", argv[i + 1], 0, argv[i + 3] };
            valido
                = numero(argv[i + 2], guasto.valore) && (guasto.filtro == "RETRYLATER" || guasto.filtro == "REJECTED");
            guasti.push_back(guasto);
            i += 3;
        } else if (argomento == "--help" || argomento == "-h") {
            std::fputs(kUso, stdout);
            return 0;
        } else if (!argomento.starts_with("--") && percorso.empty())
            percorso = argomento;
        else
            valido = false;
        if (!valido) {
            std::fprintf(stderr, "Argomento non valido: %s\n%s", argv[i], kUso);
            return 2;
        }
    }
    if (percorso.empty()) {
        std::fputs(kUso, stderr);
        return 2;
    }
    if (const double byte = byteStimati(opzioni); byte > kByteMassimi) {
        std::fprintf(stderr,
            "Pratica troppo grande: circa %.0f GB, oltre i 4 GB ammessi. Ridurre --patients, --services o --exams.\n",
            byte / (1024 * 1024 * 1024));
        return 2;
    }

    try {
        hostserver::generaPratica(percorso, opzioni);
        if (!guasti.empty()) {
            hostserver::DatabaseSqlite db(percorso, SQLITE_OPEN_READWRITE);
            for (const GuastoServer& guasto : guasti) {
                hostserver::IstruzioneSqlite riga(
                    db.get(), "INSERT INTO guasti (metodo, " + guasto.colonna + ", filtro) VALUES (?1, ?2, ?3)");
                riga.lega(1, guasto.metodo);
                riga.lega(2, static_cast<std::int64_t>(guasto.valore));
                riga.legaFacoltativo(3, guasto.filtro);
                riga.passo();
            }
        }
    } catch (const std::exception& errore) {
        std::fprintf(stderr, "Impossibile creare %s: %s\n", percorso.c_str(), errore.what());
        return 1;
    }
    std::printf("Pratica dimostrativa creata in %s\n", percorso.c_str());
    std::printf("Accessi (utente / password):\n");
    for (const hostserver::UtenteDemo& utente : hostserver::utentiDemo()) {
        std::printf("  %-8.*s / %.*s  - %.*s\n", static_cast<int>(utente.nomeUtente.size()), utente.nomeUtente.data(),
            static_cast<int>(utente.password.size()), utente.password.data(),
            static_cast<int>(utente.descrizione.size()), utente.descrizione.data());
    }
    return 0;
}
