#include "app/Interfaccia.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

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

void mostraMessaggioQt(const std::string& testo)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), daCp1252(testo), QMessageBox::Ok,
        QApplication::activeWindow());
    box.exec();
}
