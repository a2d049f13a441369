// One export run without a window, signed in as a doctor of the practice that "Orvella.Server"
// serves: the export files land in the given folder. The Windows build's test runs it under Wine
// against the COM server and compares its files byte for byte with the Linux build's run of the
// same practice and range.
//
//   esporta_pratica [--stand-in] [--vaccini] UTENTE PASSWORD DALLA_DATA ALLA_DATA CARTELLA
//
// --stand-in registers the stand-in server in the process; without it "Orvella.Server" is the
// system's class (COM on Windows). --vaccini ticks the check box that sends vaccinations to
// VACCINI.DAT. Dates are YYYY-MM-DD; the folder is created when missing.
// It writes the claim report RIEPILOGO.pdf as the program does. Before the run's summary it prints
// what the main window shows at start: the last export in the register and the months not exported.
// Every message box goes to standard error, the one that ends the run as the window shows it; the
// exit status is 0 only when the run ended with "Procedura terminata.", with or without the
// warnings that box adds, and nothing else was shown.

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "export/EsportazioneTracciato.h"
#include "export/UnitaFormMain.h"
#include "host/AperturaSessione.h"
#include "hostserver/OrvellaServer.h"
#include "platform/Clock.h"
#include "platform/FileSistema.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "riepilogo/RiepilogoPdf.h"
#include "storico/MesiNonEsportati.h"
#include "tools/Cp1252.h"

namespace {

class FinestraConsole : public FinestraTracciato {
public:
    void cursoreOccupato() override { }
    void cursoreNormale() override { }
    void nascondiMemo1() override { }
    void scriviLblLog(const std::string&) override { }
    void mostraMemo1(const std::string& testo) override { std::printf("%s\n", cp1252ToUtf8(testo).c_str()); }
    bool chkVacc() const override { return vaccini; }
    void progresso(const std::string&) override { }
    void richiediUscita() override { uscitaRichiesta = true; }
    void attesaOrvella(const std::string&) override { }

    bool vaccini = false;
    bool uscitaRichiesta = false;
};

bool leggiData(std::string_view testo, std::chrono::year_month_day& data)
{
    int anno = 0;
    unsigned mese = 0;
    unsigned giorno = 0;
    if (std::sscanf(std::string(testo).c_str(), "%d-%u-%u", &anno, &mese, &giorno) != 3)
        return false;
    data = std::chrono::year { anno } / std::chrono::month { mese } / std::chrono::day { giorno };
    return data.ok();
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string_view> argomenti(argv + 1, argv + argc);
    // The claim report lays out its text with Qt's fonts, which need no display.
    int argcQt = 3;
    char* argvQt[] = { argv[0], const_cast<char*>("-platform"), const_cast<char*>("offscreen"), nullptr };
    const QGuiApplication applicazione(argcQt, argvQt);
    setScrittoreRiepilogo(scriviRiepilogoPdf);
    FinestraConsole finestra;
    std::chrono::year_month_day oggi;
    while (!argomenti.empty() && argomenti.front().starts_with("--")) {
        if (argomenti.front() == "--stand-in")
            registraServerOrvella();
        else if (argomenti.front() == "--vaccini")
            finestra.vaccini = true;
        else if (argomenti.front() == "--adesso" && argomenti.size() > 1 && leggiData(argomenti[1], oggi)) {
            // A fixed clock, at ten in the morning, for runs made on a day of the test's choosing.
            argomenti.erase(argomenti.begin());
            platform::setClock([oggi] { return std::chrono::local_days { oggi } + std::chrono::hours { 10 }; });
        } else
            argomenti.clear();
        if (!argomenti.empty())
            argomenti.erase(argomenti.begin());
    }
    std::chrono::year_month_day dallaData;
    std::chrono::year_month_day allaData;
    if (argomenti.size() != 5 || !leggiData(argomenti[2], dallaData) || !leggiData(argomenti[3], allaData)) {
        std::fprintf(stderr,
            "Uso: esporta_pratica [--stand-in] [--vaccini] [--adesso AAAA-MM-GG] UTENTE PASSWORD DALLA_DATA ALLA_DATA "
            "CARTELLA\n");
        return 2;
    }

    std::vector<std::string> messaggi;
    platform::setMessageBoxHandler([&messaggi](const std::string& testo, const std::string&, platform::Gravita) {
        std::fprintf(stderr, "%s\n", cp1252ToUtf8(testo).c_str());
        messaggi.push_back(testo);
    });

    UnitaFormMain& unita = unitaFormMain();
    unita.sDirOutput = utf8ToCp1252(argomenti[4]) + platform::separatore;
    unita.sDirStorico = unita.sDirOutput + "storico" + platform::separatore;
    unita.sFileLog = unita.sDirOutput + "karv_log.txt";
    // As the main window does: a folder that cannot be made is the run's to report.
    std::error_code ignorato;
    std::filesystem::create_directories(platform::percorsoNativo(unita.sDirStorico), ignorato);
    TabellaCodici tabella;
    tabella.caricaTabellaCodici();
    unita.oXmlDoc = std::make_unique<DocumentoXml>();

    bool bDebug = false;
    const bool aperta = inizializza(
        utf8ToCp1252(argomenti[0]), utf8ToCp1252(argomenti[1]), bDebug, unita.oOrvapat, unita.nPazienti, [&] {
            std::printf("%s\n\n",
                cp1252ToUtf8(
                    testoRegistro(unita.sDirStorico, unita.oOrvapat->sCodiceRegionaleMedico, platform::adesso()))
                    .c_str());
            creaTracciato(unita, tabella, RunLog(bDebug, unita.sFileLog), dallaData, allaData,
                platform::cartellaTemporanea(), finestra);
        });
    // The box that ends the run may add its warnings (the same period exported before, say).
    const bool riuscita = aperta && !finestra.uscitaRichiesta && messaggi.size() == 1
        && messaggi.front().starts_with(kProceduraTerminata);
    return riuscita ? 0 : 1;
}
