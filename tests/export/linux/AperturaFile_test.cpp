#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "export/EsportazioneTracciato.h"
#include "host/Automation.h"
#include "hostserver/GeneratorePratica.h"
#include "hostserver/OrvellaServer.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

// How often each file of a folder was closed after being opened for writing: the system's own
// count of the opens for writing.
class ChiusureDopoScrittura {
public:
    explicit ChiusureDopoScrittura(const fs::path& cartella)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (fd_ < 0 || inotify_add_watch(fd_, cartella.c_str(), IN_CLOSE_WRITE) < 0)
            throw std::runtime_error("inotify non disponibile");
    }
    ~ChiusureDopoScrittura() { close(fd_); }
    ChiusureDopoScrittura(const ChiusureDopoScrittura&) = delete;
    ChiusureDopoScrittura& operator=(const ChiusureDopoScrittura&) = delete;

    std::map<std::string, int> perFile()
    {
        alignas(inotify_event) std::array<char, 65536> blocco;
        for (ssize_t letti; (letti = read(fd_, blocco.data(), blocco.size())) > 0;) {
            for (ssize_t i = 0; i < letti;) {
                const auto* evento = reinterpret_cast<const inotify_event*>(blocco.data() + i);
                if (evento->mask & IN_Q_OVERFLOW)
                    throw std::runtime_error("troppe chiusure da contare");
                if (evento->len > 0)
                    ++conteggi_[evento->name];
                i += static_cast<ssize_t>(sizeof(inotify_event) + evento->len);
            }
        }
        return conteggi_;
    }

private:
    int fd_;
    std::map<std::string, int> conteggi_;
};

class FinestraSilenziosa : public FinestraTracciato {
public:
    void cursoreOccupato() override { }
    void cursoreNormale() override { }
    void nascondiMemo1() override { }
    void scriviLblLog(const std::string&) override { }
    void mostraMemo1(const std::string&) override { }
    // Read for every service routed: an error at the tenth ends the run halfway.
    bool chkVacc() const override
    {
        if (++letture == 10 && erroreAlDecimo)
            throw std::runtime_error("errore di finestra");
        return true;
    }
    void progresso(const std::string&) override { }
    void richiediUscita() override { }
    void attesaOrvella(const std::string&) override { }

    bool erroreAlDecimo = false;
    mutable int letture = 0;
};

struct Caso {
    std::size_t utente; // of hostserver::utentiDemo()
    bool erroreAMeta;
    std::vector<std::string> file; // the run's files that must be there at its end
};

// Every file of a debug run, log included, is opened once and closed by the run's end, however it
// ends; the copy of the extract is one more file written once.
TEST(AperturaFile, EachFileOfARunIsOpenedOnceForWriting)
{
    testing_support::TempDir radice;
    const fs::path db = radice / "pratica.sqlite";
    hostserver::OpzioniPratica opzioni;
    opzioni.oggi = 2024y / June / 30;
    opzioni.pazientiPerMedico = 20;
    hostserver::generaPratica(db, opzioni);
    const testing_support::ScopedEnv dbServer("ORVELLA_SERVER_DB", db.string());
    registraServerOrvella();
    const testing_support::MessageRecorder messaggi;
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();

    const std::vector<Caso> casi = {
        { 0, false, { "ACCESSI.DAT", "PPIP.DAT", "VACCINI.DAT", "karv.xml", "karv_log.txt", "trx_sconosciuti.txt" } },
        { 1, false, { "BILSALU.DAT", "PPIP.DAT", "karv.xml", "karv_log.txt", "trx_sconosciuti.txt" } },
        { 0, true, { "karv.xml", "karv_log.txt" } },
    };
    for (const Caso& caso : casi) {
        const hostserver::UtenteDemo& utente = hostserver::utentiDemo()[caso.utente];
        SCOPED_TRACE(std::string(utente.nomeUtente) + (caso.erroreAMeta ? " con errore" : ""));
        const fs::path uscita = radice / ("uscita_" + std::to_string(&caso - casi.data()));
        fs::create_directories(uscita / "storico");
        UnitaFormMain unita;
        unita.sDirOutput = uscita.string() + "/";
        unita.sDirStorico = unita.sDirOutput + "storico/";
        unita.oXmlDoc = std::make_unique<DocumentoXml>();
        unita.oOrvapat = std::make_unique<Torvapat>();
        unita.oOrvapat->s_utente = std::string(utente.nomeUtente);
        unita.oOrvapat->s_password = std::string(utente.password);
        ASSERT_TRUE(unita.oOrvapat->start());
        FinestraSilenziosa finestra;
        finestra.erroreAlDecimo = caso.erroreAMeta;
        ChiusureDopoScrittura chiusure(uscita);

        bool interrotta = false;
        try {
            creaTracciato(unita, tabella, RunLog(true, unita.sDirOutput + "karv_log.txt"), 2023y / July / 1,
                opzioni.oggi, (radice / "").string(), finestra);
        } catch (const std::runtime_error&) {
            interrotta = true;
        }
        EXPECT_EQ(interrotta, caso.erroreAMeta);

        const std::map<std::string, int> perFile = chiusure.perFile();
        std::map<std::string, int> attese;
        for (const auto& voce : fs::directory_iterator(uscita))
            if (voce.is_regular_file())
                attese[voce.path().filename().string()] = 1;
        // The folder's lock, gone by now, is opened for writing too: flock on NFS locks no other.
        attese[".ov_pip.lock"] = 1;
        EXPECT_EQ(perFile, attese);
        for (const std::string& nome : caso.file)
            EXPECT_TRUE(attese.contains(nome)) << nome;
    }
    host::unregisterAutomationClass("Orvella.Server");
}

} // namespace
