#include "app/Interfaccia.h"

#include <QMessageBox>
#include <gtest/gtest.h>
#include <sstream>

#include "QtTestApp.h"
#include "app/RigaDiComando.h"

// The icon says what the caller says the box tells, whatever its words: an export's end that
// starts "Procedura terminata." may still be a warning, and a failure's text may start anyhow.
TEST(IconaMessaggio, FitsWhatTheBoxTells)
{
    const struct {
        platform::Gravita gravita;
        QMessageBox::Icon icona;
    } casi[] = {
        { platform::Gravita::Informazione, QMessageBox::Information },
        { platform::Gravita::Avviso, QMessageBox::Warning },
        { platform::Gravita::Errore, QMessageBox::Critical },
    };
    for (const auto& caso : casi)
        EXPECT_EQ(iconaMessaggio(caso.gravita), caso.icona) << static_cast<int>(caso.gravita);
}

TEST(MessaggioQt, TheBoxCarriesTheTextsIconAndTheProgramsLogo)
{
    QMessageBox::Icon icona = QMessageBox::NoIcon;
    bool conLogo = false;
    QString testo;
    appenaPossibile([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        icona = box->icon();
        conLogo = !box->windowIcon().isNull();
        testo = box->text();
        box->accept();
    });
    mostraMessaggioQt("ERRORE: Impossibile generare xml ppip.");
    EXPECT_EQ(icona, QMessageBox::Critical);
    EXPECT_TRUE(conLogo);
    EXPECT_EQ(testo, "ERRORE: Impossibile generare xml ppip.");

    // The details for a technician, behind the box's own button.
    QString dettagli;
    appenaPossibile([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        dettagli = box->detailedText();
        box->accept();
    });
    mostraMessaggioQt("ole_orvapat.start(): eccezione", "vista a 32 bit: ProgID Orvella.Server non registrato");
    EXPECT_EQ(dettagli, "vista a 32 bit: ProgID Orvella.Server non registrato");
}

TEST(RigaDiComando, HelpAndVersionAnswerOnTheTerminal)
{
    const auto risposta = [](std::vector<std::string> argomenti, std::string& uscita) {
        std::vector<char*> argv;
        for (std::string& argomento : argomenti)
            argv.push_back(argomento.data());
        std::ostringstream flusso;
        const auto esito = rispostaRigaDiComando(static_cast<int>(argv.size()), argv.data(), flusso);
        uscita = flusso.str();
        return esito;
    };
    std::string uscita;
    EXPECT_EQ(risposta({ "ov_pip", "--version" }, uscita), 0);
    EXPECT_EQ(uscita, "ov_pip ver. 6\n");
    EXPECT_EQ(risposta({ "ov_pip", "--help" }, uscita), 0);
    EXPECT_NE(uscita.find("ORVELLA_SERVER_DB"), std::string::npos) << uscita;
    EXPECT_NE(uscita.find("OV_PIP_REGISTRY"), std::string::npos) << uscita;
    EXPECT_EQ(risposta({ "ov_pip", "-platform", "xcb" }, uscita), std::nullopt);
    EXPECT_EQ(risposta({ "ov_pip" }, uscita), std::nullopt);
    EXPECT_EQ(uscita, "");
}
