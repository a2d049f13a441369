#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

class QFont;
class QLabel;
class QWidget;

// The windows were drawn for MS Sans Serif 8 pt at 96 DPI, whose average character is 6 pixels
// wide and 13 pixels high. Like a form that grows with the screen's text size, they grow by the
// larger of the two ratios of the font they are shown in, keep their proportions, never shrink.
double fattoreScala(const QFont& carattere);

// A design rectangle at a scale. Each edge is scaled and rounded on its own, so that controls
// that meet in the design still meet.
QRect scalaRettangolo(const QRect& progetto, double fattore);

// A window's design geometry, laid out again at the scale of the window's current font.
class TScalaForm {
public:
    TScalaForm(QWidget& finestra, QSize clientProgetto);

    // A control with a fixed design rectangle.
    void posiziona(QWidget* controllo, const QRect& progetto);
    // A label sized to its own text, its top-left corner where the design puts it.
    void posizionaEtichetta(QLabel* etichetta, QPoint progetto);

    // Places the window and its controls; returns the scale used.
    double applica();

private:
    struct Posto {
        QWidget* controllo;
        QRect progetto;
        bool etichetta;
    };

    QWidget& finestra_;
    QSize clientProgetto_;
    std::vector<Posto> posti_;
};
