#include "app/ScalaForm.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kLarghezzaMediaProgetto = 6.0;
constexpr double kAltezzaProgetto = 13.0;

int scala(int valore, double fattore)
{
    return static_cast<int>(std::lround(valore * fattore));
}

} // namespace

double fattoreScala(const QFont& carattere)
{
    const QFontMetricsF metrica(carattere);
    // The average width as a form measures it: over the 52 letters of the Latin alphabet.
    const QString alfabeto = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const double larghezzaMedia = metrica.horizontalAdvance(alfabeto) / alfabeto.size();
    return std::max({ 1.0, larghezzaMedia / kLarghezzaMediaProgetto, metrica.height() / kAltezzaProgetto });
}

QRect scalaRettangolo(const QRect& progetto, double fattore)
{
    const int sinistra = scala(progetto.left(), fattore);
    const int alto = scala(progetto.top(), fattore);
    const int destra = scala(progetto.left() + progetto.width(), fattore);
    const int basso = scala(progetto.top() + progetto.height(), fattore);
    return QRect(sinistra, alto, destra - sinistra, basso - alto);
}

TScalaForm::TScalaForm(QWidget& finestra, QSize clientProgetto)
    : finestra_(finestra)
    , clientProgetto_(clientProgetto)
{
}

void TScalaForm::posiziona(QWidget* controllo, const QRect& progetto)
{
    posti_.push_back({ controllo, progetto, false });
}

void TScalaForm::posizionaEtichetta(QLabel* etichetta, QPoint progetto)
{
    posti_.push_back({ etichetta, QRect(progetto, QSize()), true });
}

double TScalaForm::applica()
{
    const double fattore = fattoreScala(finestra_.font());
    finestra_.setFixedSize(scalaRettangolo(QRect(QPoint(), clientProgetto_), fattore).size());
    for (const Posto& posto : posti_) {
        if (posto.etichetta) {
            posto.controllo->move(scalaRettangolo(posto.progetto, fattore).topLeft());
            posto.controllo->adjustSize();
        } else {
            posto.controllo->setGeometry(scalaRettangolo(posto.progetto, fattore));
        }
    }
    return fattore;
}
