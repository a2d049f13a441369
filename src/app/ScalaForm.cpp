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

TScalaForm::TScalaForm(QWidget& finestra, QSize clientProgetto, Bordo bordo)
    : finestra_(finestra)
    , clientProgetto_(clientProgetto)
    , bordo_(bordo)
{
}

void TScalaForm::posiziona(QWidget* controllo, const QRect& progetto)
{
    posti_.push_back({ controllo, progetto, false, {} });
}

void TScalaForm::posizionaEstendibile(QWidget* controllo, const QRect& progetto, Qt::Orientations direzioni)
{
    posti_.push_back({ controllo, progetto, false, direzioni });
}

void TScalaForm::posizionaEtichetta(QLabel* etichetta, QPoint progetto)
{
    posti_.push_back({ etichetta, QRect(progetto, QSize()), true, {} });
}

double TScalaForm::applica()
{
    fattore_ = fattoreScala(finestra_.font());
    const QSize dimensione = scalaRettangolo(QRect(QPoint(), clientProgetto_), fattore_).size();
    if (bordo_ == Bordo::Fisso) {
        finestra_.setFixedSize(dimensione);
    } else {
        finestra_.setMinimumSize(dimensione);
        // A window the user has not enlarged keeps the design's size at the new scale.
        const bool comeProgetto = dimensioneScalata_.isEmpty() || finestra_.size() == dimensioneScalata_;
        finestra_.resize(comeProgetto ? dimensione : finestra_.size().expandedTo(dimensione));
    }
    dimensioneScalata_ = dimensione;
    for (const Posto& posto : posti_) {
        if (posto.etichetta) {
            posto.controllo->move(scalaRettangolo(posto.progetto, fattore_).topLeft());
            posto.controllo->adjustSize();
        }
    }
    adatta();
    return fattore_;
}

void TScalaForm::adatta()
{
    if (dimensioneScalata_.isEmpty())
        return;
    const QSize guadagno = (finestra_.size() - dimensioneScalata_).expandedTo(QSize(0, 0));
    for (const Posto& posto : posti_) {
        if (posto.etichetta)
            continue;
        QRect rettangolo = scalaRettangolo(posto.progetto, fattore_);
        if (posto.estensione & Qt::Horizontal)
            rettangolo.setWidth(rettangolo.width() + guadagno.width());
        if (posto.estensione & Qt::Vertical)
            rettangolo.setHeight(rettangolo.height() + guadagno.height());
        posto.controllo->setGeometry(rettangolo);
    }
}
