#include "app/Interfaccia.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QTranslator>
#include <QUrl>
#include <cmath>

#include "app/Logo.h"
#include "tools/Cp1252.h"

QFont carattereFinestra()
{
    QFont carattere(QStringLiteral("MS Sans Serif"));
    carattere.setStyleHint(QFont::SansSerif);
    carattere.setPointSize(8);
    return carattere;
}

QLabel* creaEtichettaVersione(QWidget* parent)
{
    auto* etichetta = new QLabel(parent);
    QFont carattere(QStringLiteral("Arial"));
    carattere.setStyleHint(QFont::SansSerif);
    carattere.setPixelSize(8);
    etichetta->setFont(carattere);
    etichetta->setAttribute(Qt::WA_TranslucentBackground);
    etichetta->setGeometry(82, 130, 20, 10);
    return etichetta;
}

void nominaPerLettoreSchermo(QWidget* controllo, QLabel* etichetta)
{
    QString nome = etichetta->text();
    if (nome.endsWith(QLatin1Char(':')))
        nome.chop(1);
    controllo->setAccessibleName(nome);
    etichetta->setBuddy(controllo);
}

void impostaItaliano(QCoreApplication& applicazione)
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    auto* traduzione = new QTranslator(&applicazione);
    if (traduzione->load(QStringLiteral(":/traduzioni/qtbase_it.qm")))
        QCoreApplication::installTranslator(traduzione);
}

void scalaEtichettaVersione(QLabel* etichetta, double fattore)
{
    QFont carattere = etichetta->font();
    carattere.setPixelSize(static_cast<int>(std::lround(8 * fattore)));
    etichetta->setFont(carattere);
    etichetta->move(static_cast<int>(std::lround(82 * fattore)), static_cast<int>(std::lround(130 * fattore)));
    etichetta->adjustSize();
}

void centraSulloSchermo(QWidget& finestra)
{
    // The whole window, frame included, once the platform knows the frame.
    const QRect libero = finestra.screen()->availableGeometry();
    const QSize intera = finestra.frameGeometry().size();
    finestra.move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, intera, libero).topLeft());
}

QMessageBox::Icon iconaMessaggio(platform::Gravita gravita)
{
    switch (gravita) {
    case platform::Gravita::Informazione:
        return QMessageBox::Information;
    case platform::Gravita::Avviso:
        return QMessageBox::Warning;
    case platform::Gravita::Errore:
        break;
    }
    return QMessageBox::Critical;
}

void impostaCursoreOccupato(bool occupato)
{
    if (occupato) {
        if (QApplication::overrideCursor())
            QApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

QString daCp1252(const std::string& testo)
{
    const std::u16string utf16 = cp1252ToUtf16(testo);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string aCp1252(const QString& testo)
{
    return utf16ToCp1252(
        std::u16string_view(reinterpret_cast<const char16_t*>(testo.utf16()), static_cast<size_t>(testo.size())));
}

void mostraMessaggioQt(const std::string& testo, const std::string& dettagli, platform::Gravita gravita)
{
    QMessageBox box(iconaMessaggio(gravita), QApplication::applicationName(), daCp1252(testo), QMessageBox::Ok,
        QApplication::activeWindow());
    box.setWindowIcon(iconaProgramma());
    if (!dettagli.empty())
        box.setDetailedText(daCp1252(dettagli));
    box.exec();
}

bool apriCartellaQt(const std::string& percorso)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(daCp1252(percorso))));
}
