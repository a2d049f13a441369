#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QBuffer>
#include <QCalendarWidget>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QtEndian>
#include <gtest/gtest.h>
#include <memory>

#include "QtTestApp.h"
#include "app/Controlli.h"
#include "app/FormLogin.h"
#include "app/FormMain.h"
#include "app/Logo.h"

namespace {

class ItalianoTest : public ::testing::Test {
protected:
    void SetUp() override { applicazioneTest(); }

    DesktopDiProva desktop_;
    testing_support::MessageRecorder messaggi_;
};

QStringList testiMenu(QMenu& menu)
{
    QStringList testi;
    for (const QAction* azione : menu.actions())
        testi << azione->text();
    return testi;
}

// What a screen reader says for the control.
QString nomeAccessibile(QWidget* controllo)
{
    QAccessibleInterface* interfaccia = QAccessible::queryAccessibleInterface(controllo);
    return interfaccia ? interfaccia->text(QAccessible::Name) : QString();
}

// Every visible control of the window that a user reaches or reads has a name for a screen reader.
void controllaNomiAccessibili(QWidget& finestra, const QStringList& attesi)
{
    QStringList nomi;
    for (QWidget* controllo : finestra.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // A bevel frames the status area; it is no control.
        if (controllo->isHidden() || controllo->metaObject() == &QFrame::staticMetaObject)
            continue;
        const QString nome = nomeAccessibile(controllo);
        EXPECT_FALSE(nome.trimmed().isEmpty()) << controllo->metaObject()->className();
        nomi << nome;
    }
    for (const QString& atteso : attesi)
        EXPECT_TRUE(nomi.contains(atteso)) << atteso.toStdString() << " not among " << nomi.join(" | ").toStdString();
}

} // namespace

TEST_F(ItalianoTest, QtsOwnTextsAndTheCalendarSpeakItalian)
{
    TfrmLogin accesso;
    std::unique_ptr<QMenu> menu(accesso.txtUtente->createStandardContextMenu());
    const QStringList voci = testiMenu(*menu);
    EXPECT_TRUE(voci.filter("Incolla").size() == 1) << voci.join(" | ").toStdString();
    EXPECT_TRUE(voci.filter("Paste").isEmpty());

    TfrmMain finestra;
    finestra.dtDallaData->setDate(QDate(2026, 3, 15));
    finestra.dtDallaData->apriCalendario();
    QCalendarWidget* calendario = finestra.dtDallaData->calendarWidget();
    ASSERT_NE(calendario, nullptr);
    auto* mese = calendario->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(mese, nullptr);
    EXPECT_EQ(mese->text(), QStringLiteral("marzo"));
    EXPECT_EQ(calendario->locale().dayName(1, QLocale::ShortFormat), QStringLiteral("lun"));
    calendario->window()->hide();
}

TEST_F(ItalianoTest, EveryControlHasANameForAScreenReader)
{
    TfrmLogin accesso;
    accesso.show();
    controllaNomiAccessibili(accesso, { "Utente", "Password", "OK", "Annulla", "Logo", "Inserire Nome Utente e Password di Orvella" });
    // The edit fields take their label's name, and the label leads to the field (Alt+U on a label's mnemonic).
    EXPECT_EQ(nomeAccessibile(accesso.txtUtente), QStringLiteral("Utente"));
    EXPECT_EQ(nomeAccessibile(accesso.txtPw), QStringLiteral("Password"));

    TfrmMain finestra;
    finestra.show();
    controllaNomiAccessibili(finestra,
        { "Crea Tracciato", "Dalla data", "Alla data", "Zezavazoza vaccinazioni (PIPP) in tracciato separato", "Uscita",
            "Riepilogo", "Esito dell'esportazione", "Logo" });
    EXPECT_EQ(nomeAccessibile(finestra.dtAllaData), QStringLiteral("Alla data"));
    EXPECT_EQ(nomeAccessibile(finestra.chkVacc), finestra.chkVacc->didascalia()->text());
}

// The program file's icon (a Windows resource, kept as a file) is the windows' own icon: a change
// of the one drawing must reach the other. OV_PIP_SCRIVI_ICONA=1 writes the file anew.
TEST_F(ItalianoTest, TheProgramFilesIconIsTheWindowsIcon)
{
    const int lati[] = { 16, 24, 32, 48, 64, 256 };
    const QString percorso = QString::fromLocal8Bit(OV_ICONA_PROGRAMMA);
    if (qEnvironmentVariableIsSet("OV_PIP_SCRIVI_ICONA")) {
        // An icon file of PNG images, one per size, as Windows reads them since Vista.
        QByteArray immagini;
        QByteArray voci;
        const auto numero16 = [](QByteArray& dati, quint16 n) { dati.append(reinterpret_cast<const char*>(&n), 2); };
        const auto numero32 = [](QByteArray& dati, quint32 n) { dati.append(reinterpret_cast<const char*>(&n), 4); };
        const int n = static_cast<int>(std::size(lati));
        for (const int lato : lati) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            disegnaIcona(lato).toImage().save(&buffer, "PNG");
            voci.append(char(lato % 256)).append(char(lato % 256)).append('\0').append('\0');
            numero16(voci, 1);
            numero16(voci, 32);
            numero32(voci, static_cast<quint32>(png.size()));
            numero32(voci, static_cast<quint32>(6 + 16 * n + immagini.size()));
            immagini += png;
        }
        QByteArray file;
        numero16(file, 0);
        numero16(file, 1);
        numero16(file, static_cast<quint16>(n));
        QFile uscita(percorso);
        ASSERT_TRUE(uscita.open(QIODevice::WriteOnly));
        uscita.write(file + voci + immagini);
    }
    QFile icona(percorso);
    ASSERT_TRUE(icona.open(QIODevice::ReadOnly)) << percorso.toStdString();
    const QByteArray dati = icona.readAll();
    ASSERT_GE(dati.size(), 6);
    const auto leggi16 = [&](qsizetype da) { return qFromLittleEndian<quint16>(dati.constData() + da); };
    const auto leggi32 = [&](qsizetype da) { return qFromLittleEndian<quint32>(dati.constData() + da); };
    ASSERT_EQ(leggi16(2), 1); // an icon, not a cursor
    ASSERT_EQ(leggi16(4), std::size(lati));
    for (std::size_t i = 0; i < std::size(lati); ++i) {
        const qsizetype voce = 6 + 16 * static_cast<qsizetype>(i);
        const QImage immagine = QImage::fromData(dati.mid(leggi32(voce + 12), leggi32(voce + 8)), "PNG");
        const QImage attesa = disegnaIcona(lati[i]).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(immagine.size(), attesa.size()) << lati[i];
        // Compared pixel by pixel, with room for a renderer that rounds the edges differently.
        int diversi = 0;
        const QImage letta = immagine.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < attesa.height(); ++y)
            for (int x = 0; x < attesa.width(); ++x) {
                const QRgb a = attesa.pixel(x, y);
                const QRgb b = letta.pixel(x, y);
                if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8
                    || std::abs(qBlue(a) - qBlue(b)) > 8 || std::abs(qAlpha(a) - qAlpha(b)) > 8)
                    ++diversi;
            }
        EXPECT_LE(diversi, attesa.width() * attesa.height() / 100) << "size " << lati[i];
    }
}
