#pragma once

#include <QLabel>
#include <QPixmap>

// The program's logo: a 106 x 142 picture drawn in code, so no asset file can go missing.
QPixmap disegnaLogo();

// The logo's image control: shows the picture unscaled from its top-left corner, cut to its
// own size, and reports a double click.
class TOrvaLogo : public QLabel {
    Q_OBJECT
public:
    explicit TOrvaLogo(QWidget* parent);

signals:
    void doppioClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
};
