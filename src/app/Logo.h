#pragma once

#include <QIcon>
#include <QLabel>
#include <QPixmap>

// The program's logo: a 106 x 142 picture drawn in code, so no asset file can go missing. At a
// larger scale it is drawn larger, not stretched; devicePixelRatio gives the screen's own pixels.
QPixmap disegnaLogo(double fattore = 1.0, double devicePixelRatio = 1.0);

// The emblem on a square of lato pixels: the windows' icon and, on Windows, the program file's.
QPixmap disegnaIcona(int lato);

// The windows' icon: the logo's emblem on a square, at the sizes window managers ask for.
QIcon iconaProgramma();

// The logo's image control: shows the picture unscaled from its top-left corner, cut to its
// own size, and reports a double click.
class TOrvaLogo : public QLabel {
    Q_OBJECT
public:
    explicit TOrvaLogo(QWidget* parent);

    // Draws the picture again for a window scaled by fattore.
    void impostaScala(double fattore);

signals:
    void doppioClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
};
