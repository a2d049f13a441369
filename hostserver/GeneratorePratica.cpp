#include "hostserver/GeneratorePratica.h"

#include <array>
#include <string>
#include <vector>

#include "hostserver/CodiceFiscale.h"
#include "hostserver/SchemaPratica.h"
#include "hostserver/Sqlite.h"
#include "platform/Clock.h"
#include "platform/FileSistema.h"
#include "tools/tc_GenTools.h"

namespace hostserver {
namespace {

using namespace std::chrono;

// The practice's doctors; the first two are the ones whose patients get services.
struct Medico {
    std::string_view userid;
    std::string_view tipoOrva;
    std::string_view codiceRegionale;
    std::string_view contratto;
    int pazientiFissi; // 0: OpzioniPratica::pazientiPerMedico; -1: none
};

constexpr std::array<UtenteDemo, 5> kUtenti = { {
    { "rossi", "demo", "medico di medicina generale (MMG), titolare" },
    { "bianchi", "demo", "pediatra di libera scelta (PLS), titolare" },
    { "verdi", "demo", "medico sostituto: rifiutato, non titolare" },
    { "neri", "demo", "medico senza codice regionale: rifiutato" },
    { "gialli", "demo", "medico senza pazienti: rifiutato" },
} };

constexpr std::array<Medico, 5> kMedici = { {
    { "101", "T", "160741", "MMG", 0 },
    { "202", "T", "160852", "PLS", 0 },
    { "303", "S", "160963", "MMG", 5 },
    { "404", "T", "", "MMG", 5 },
    { "505", "T", "161074", "MMG", -1 },
} };

struct Voce {
    std::string_view codice;
    std::string_view nome;
};

constexpr Voce kVisiteMmg[] = {
    { "0000023", "Visita domiciliare ADP" },
    { "0000024", "Visita ADI giorno feriale" },
    { "0000195", "Visita ambulatoriale AAP" },
    { "0000196", "Visita ADT" },
    { "0000197", "Visita ADI/SLA giorno feriale" },
    { "0000201", "Visita ADI giorno festivo" },
};
constexpr Voce kPrestazioniMmg[] = {
    { "0000001", "Prima medicazione" },
    { "0000002", "Sutura di ferita superficiale" },
    { "0000003", "Medicazione successiva" },
    { "0000004", "Rimozione punti di sutura & medicazione" },
    { "0000005", "Cateterismo uretrale (uomo)" },
    { "0000006", "Cateterismo uretrale (donna)" },
    { "0000008", "Fleboclisi unica urgente" },
    { "0000013", "Tampone faringeo per esame batteriologico" },
    { "0000017", "Ciclo aerosol: per seduta" },
    { "0000126", "Tampone antigenico rapido (ambulatorio)" },
    { "0000132", "Partecipazione all'UVM" },
    { "0000254", "Prima medicazione (in ADI)" },
    { "0000315", "Contact tracing" },
};
constexpr Voce kVacciniMmg[] = {
    { "0000019", "Vaccinazione antinfluenzale" },
    { "0000248", "Vaccinazione antinfluenzale over 75" },
    { "0000314", "Vaccinazione anti-pneumococcica" },
    { "0000018", "Vaccinazione non obbligatoria" },
};
constexpr Voce kPrestazioniPls[] = {
    { "0000139", "Sutura di ferita superficiale" },
    { "0000140", "Rimozione punti di sutura" },
    { "0000143", "Prima medicazione" },
    { "0000146", "Riduzione pronazione dolorosa" },
    { "0000153", "Screening per ambliopia" },
    { "0000154", "Boel test" },
    { "0000160", "Rimozione tappo di cerume" },
    { "0000163", "PCR capillare" },
    { "0000172", "Test dell'acuità visiva" },
    { "0000181", "Test rapido influenza" },
    { "0000183", "Certificato sportivo non agonistico" },
    { "0000191", "Stick urine (10 parametri)" },
    { "0000193", "Spirometria" },
};
constexpr Voce kVacciniPls[] = {
    { "0000162", "Vaccinazione non obbligatoria" },
};
// Codes that neither doctor may claim.
constexpr Voce kEsclusi[] = {
    { "0000011", "Vaccinazione antitetanica" },
    { "0000020", "Vaccinazione antimorbillo" },
    { "0000021", "Visita ambulatoriale a stranieri" },
    { "0000022", "Visita domiciliare a stranieri" },
    { "0000199", "Attivazione ADI" },
    { "0000200", "Attivazione ADP" },
};
// Codes of the host that the regional table does not know.
constexpr Voce kSconosciuti[] = {
    { "0000999", "Consulenza telefonica" },
    { "0000400", "Certificato di idoneità" },
    { "0000128", "Teleconsulto specialistico" },
};

constexpr std::string_view kCodiciBilancio[]
    = { "3522", "3523", "3524", "3526", "3527", "4145", "4137", "4123", "4130", "4148" };
constexpr std::string_view kAltriAccertamenti[] = { "3530", "4150", "2210" };
constexpr std::string_view kRisultati[] = { "Nella norma", "Crescita regolare", "Sviluppo psicomotorio adeguato",
    "Peso e altezza nei percentili attesi", "Da ricontrollare fra 3 mesi", "Visus 10/10 bilaterale" };

constexpr std::string_view kCognomi[] = { "Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo",
    "Ricci", "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa", "Giordano", "Rizzo",
    "Lombardi", "Moretti", "Barbieri", "Fontana", "Santoro", "Mariani", "Rinaldi", "Caruso", "Ferrara", "Galli",
    "Martini", "Leone", "Longo", "Gentile", "Vitale", "Serra", "Coppola", "De Santis", "D'Angelo", "Marchetti",
    "Parisi", "Conte", "Ferraro", "Bianco", "Marini", "Grasso", "Messina", "Gatti", "Pellegrini", "Palumbo", "Farina",
    "Amato", "Mazza", "Testa", "Carbone", "Barone", "Caputo", "Guerra", "Palmieri", "Martino", "Fiore", "De Rosa",
    "Basile", "Donati", "Battaglia", "Pagano", "Ruggiero", "Sorrentino", "D'Amico", "Orlando", "De Marco", "Dell'Anna",
    "Lo Russo", "Lorusso", "Lacatena", "Capriati", "Di Bari", "Scarano", "Sgobba", "Tarantini", "Losito", "Lattanzio",
    "Paparella", "Giannuzzi", "Cantù", "Zappalà", "Schirò", "Papadià", "Quarto", "Colonna" };
constexpr std::string_view kNomiMaschili[] = { "Giuseppe", "Giovanni", "Antonio", "Mario", "Luigi", "Francesco",
    "Angelo", "Vincenzo", "Pietro", "Salvatore", "Carlo", "Domenico", "Paolo", "Michele", "Giorgio", "Sergio",
    "Leonardo", "Alessandro", "Lorenzo", "Mattia", "Andrea", "Gabriele", "Riccardo", "Tommaso", "Edoardo", "Nicolò",
    "Noè", "Gianfranco", "Cosimo", "Vito", "Rocco", "Savino", "Nicola" };
constexpr std::string_view kNomiFemminili[] = { "Maria", "Anna", "Giuseppina", "Rosa", "Angela", "Giovanna", "Teresa",
    "Lucia", "Carmela", "Caterina", "Francesca", "Antonietta", "Elena", "Rita", "Margherita", "Paola", "Sofia",
    "Giulia", "Aurora", "Alice", "Ginevra", "Emma", "Giorgia", "Greta", "Beatrice", "Anna Maria", "Maria Grazia",
    "Noemi", "Chiara", "Martina", "Addolorata", "Annunziata" };
constexpr std::string_view kComuni[]
    = { "A662", "E506", "D643", "L049", "B180", "A669", "A285", "F284", "A893", "A225" };

// A small generator of our own, so that a seed gives the same practice with every library.
class Caso {
public:
    explicit Caso(std::uint64_t seme)
        : stato_(seme)
    {
    }

    std::uint64_t prossimo()
    {
        std::uint64_t z = (stato_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [minimo, massimo].
    int tra(int minimo, int massimo)
    {
        return minimo + static_cast<int>(prossimo() % static_cast<std::uint64_t>(massimo - minimo + 1));
    }
    bool percento(int quanti) { return tra(0, 99) < quanti; }
    template <typename T, std::size_t N> const T& uno(const T (&scelte)[N])
    {
        return scelte[tra(0, static_cast<int>(N) - 1)];
    }

private:
    std::uint64_t stato_;
};

struct Categoria {
    std::span<const Voce> voci;
    int peso;
};

class Generatore {
public:
    Generatore(DatabaseSqlite& db, const OpzioniPratica& opzioni)
        : opzioni_(opzioni)
        , oggi_(sys_days(opzioni.oggi))
        , caso_(opzioni.seme)
        , utente_(db.get(), "INSERT INTO utenti VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
        , paziente_(db.get(), "INSERT INTO pazienti VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
        , prestazione_(db.get(),
              "INSERT INTO prestazioni_incentivanti (io_id_paziente, codice_ov_pip, nome_prestazione, "
              "data_esecuzione) VALUES (?1, ?2, ?3, ?4)")
        , accertamento_(db.get(),
              "INSERT INTO accertamenti (io_id_paziente, codice_accertamento, data_esecuzione, risultato) "
              "VALUES (?1, ?2, ?3, ?4)")
    {
    }

    void genera()
    {
        for (std::size_t i = 0; i < kUtenti.size(); ++i)
            inserisciUtente(kUtenti[i], kMedici[i]);
        for (const Medico& medico : kMedici) {
            const int quanti = medico.pazientiFissi == 0 ? opzioni_.pazientiPerMedico : medico.pazientiFissi;
            const bool principale = medico.pazientiFissi == 0;
            const bool pediatra = medico.contratto == "PLS";
            for (int k = 0; k < quanti; ++k) {
                const std::string id = inserisciPaziente(medico, pediatra, k);
                if (!principale)
                    continue;
                inserisciPrestazioni(id, pediatra);
                if (pediatra)
                    inserisciAccertamenti(id);
            }
        }
    }

private:
    void inserisci(IstruzioneSqlite& istruzione)
    {
        istruzione.passo();
        istruzione.azzera();
    }

    std::string data(int giorniFa) { return date2string(year_month_day(oggi_ - days(giorniFa))); }
    std::string dataNellAnno() { return data(caso_.tra(0, 365)); }

    void inserisciUtente(const UtenteDemo& utente, const Medico& medico)
    {
        utente_.lega(1, utente.nomeUtente);
        utente_.lega(2, utente.password);
        utente_.lega(3, medico.userid);
        utente_.lega(4, medico.tipoOrva);
        utente_.lega(5, medico.codiceRegionale);
        utente_.lega(6, medico.contratto);
        inserisci(utente_);
    }

    std::string inserisciPaziente(const Medico& medico, bool pediatra, int indice)
    {
        const std::string id = std::to_string(++ultimoPaziente_);
        const bool femmina = caso_.percento(50);
        std::string_view cognome = caso_.uno(kCognomi);
        std::string_view nome = femmina ? caso_.uno(kNomiFemminili) : caso_.uno(kNomiMaschili);
        // Apostrophes and accents are there in every practice, however small.
        if (indice == 0)
            cognome = "D'Amico", nome = femmina ? "Noemi" : "Nicolò";
        else if (indice == 1)
            cognome = "Cantù";
        const int etaMinima = pediatra ? 30 : 18 * 365;
        const int etaMassima = pediatra ? 14 * 365 - 1 : 95 * 365;
        const year_month_day nascita(oggi_ - days(caso_.tra(etaMinima, etaMassima)));
        paziente_.lega(1, id);
        paziente_.lega(2, medico.userid);
        // A few patients are under another kind of agreement, which the sign-in list leaves out.
        paziente_.lega(3, std::string_view(caso_.percento(4) ? "P" : "S"));
        paziente_.lega(4, cognome);
        paziente_.lega(5, nome);
        paziente_.lega(6, codiceFiscale(cognome, nome, nascita, femmina, caso_.uno(kComuni)));
        inserisci(paziente_);
        return id;
    }

    const Voce& voce(bool pediatra)
    {
        const Categoria mmg[] = { { kVisiteMmg, 25 }, { kPrestazioniMmg, 35 }, { kVacciniMmg, 15 }, { kEsclusi, 8 },
            { kSconosciuti, 7 }, { kPrestazioniPls, 10 } };
        const Categoria pls[] = { { kPrestazioniPls, 58 }, { kVacciniPls, 10 }, { kEsclusi, 10 }, { kSconosciuti, 8 },
            { kPrestazioniMmg, 8 }, { kVisiteMmg, 6 } };
        const std::span<const Categoria> categorie
            = pediatra ? std::span<const Categoria>(pls) : std::span<const Categoria>(mmg);
        int estratto = caso_.tra(0, 99);
        for (const Categoria& categoria : categorie) {
            if (estratto < categoria.peso)
                return categoria
                    .voci[static_cast<std::size_t>(caso_.tra(0, static_cast<int>(categoria.voci.size()) - 1))];
            estratto -= categoria.peso;
        }
        return categorie.back().voci.front();
    }

    void inserisciPrestazioni(const std::string& id, bool pediatra)
    {
        const Voce* precedente = nullptr;
        std::string dataPrecedente;
        for (int i = 0; i < opzioni_.prestazioniPerPaziente; ++i) {
            // Now and then the same service is recorded twice on one day.
            if (!(precedente && caso_.percento(5))) {
                precedente = &voce(pediatra);
                dataPrecedente = dataNellAnno();
            }
            prestazione_.lega(1, id);
            prestazione_.lega(2, precedente->codice);
            prestazione_.lega(3, precedente->nome);
            prestazione_.lega(4, dataPrecedente);
            inserisci(prestazione_);
        }
    }

    void inserisciAccertamenti(const std::string& id)
    {
        for (int i = 0; i < opzioni_.accertamentiPerPazientePls; ++i) {
            accertamento_.lega(1, id);
            accertamento_.lega(2, caso_.percento(85) ? caso_.uno(kCodiciBilancio) : caso_.uno(kAltriAccertamenti));
            accertamento_.lega(3, dataNellAnno());
            const int esito = caso_.tra(0, 9);
            if (esito == 0)
                accertamento_.legaNull(4);
            else if (esito == 1)
                accertamento_.lega(4, std::string_view());
            else
                accertamento_.lega(4, caso_.uno(kRisultati));
            inserisci(accertamento_);
        }
    }

    const OpzioniPratica& opzioni_;
    const sys_days oggi_;
    Caso caso_;
    IstruzioneSqlite utente_;
    IstruzioneSqlite paziente_;
    IstruzioneSqlite prestazione_;
    IstruzioneSqlite accertamento_;
    int ultimoPaziente_ = 0;
};

} // namespace

year_month_day dataDiOggi()
{
    return year_month_day(floor<days>(platform::adesso()));
}

std::span<const UtenteDemo> utentiDemo()
{
    return kUtenti;
}

void generaPratica(const std::filesystem::path& percorso, const OpzioniPratica& opzioni)
{
    creaPraticaVuota(percorso);
    DatabaseSqlite db(platform::percorsoUtf8(percorso), SQLITE_OPEN_READWRITE);
    db.esegui("PRAGMA synchronous = OFF; BEGIN");
    Generatore(db, opzioni).genera();
    db.esegui("COMMIT");
}

} // namespace hostserver
