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

// A window's design geometry, laid out again at the scale of the window's current font. A fixed
// window has exactly the design's size; a resizable one starts at it, never gets smaller, and
// gives the room it gains to the controls that stretch.
class TScalaForm {
public:
    enum class Bordo { Fisso, Ridimensionabile };

    TScalaForm(QWidget& finestra, QSize clientProgetto, Bordo bordo = Bordo::Fisso);

    // A control with a fixed design rectangle.
    void posiziona(QWidget* controllo, const QRect& progetto);
    // A control whose design rectangle grows with the window, in the directions given.
    void posizionaEstendibile(QWidget* controllo, const QRect& progetto, Qt::Orientations direzioni);
    // A label sized to its own text, its top-left corner where the design puts it.
    void posizionaEtichetta(QLabel* etichetta, QPoint progetto);

    // Places the window and its controls; returns the scale used.
    double applica();
    // Places the controls again for the window's current size; called when it is resized.
    void adatta();

private:
    struct Posto {
        QWidget* controllo;
        QRect progetto;
        bool etichetta;
        Qt::Orientations estensione;
    };

    QWidget& finestra_;
    QSize clientProgetto_;
    Bordo bordo_;
    double fattore_ = 1.0;
    // The design's size at the last scale, or empty before the first.
    QSize dimensioneScalata_;
    std::vector<Posto> posti_;
};
