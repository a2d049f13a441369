#pragma once

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QString>

class QLabel;

// A date picker that behaves as the platform's own: Tab and Shift+Tab leave it, the arrow keys
// and typed separators move between day, month and year, digits fill the part in hand and move
// on when it is full, and Alt+Down or F4 opens the calendar. Shows DD/MM/YYYY.
class TSelettoreData : public QDateEdit {
    Q_OBJECT
public:
    explicit TSelettoreData(QWidget* parent);

    void apriCalendario();

protected:
    bool focusNextPrevChild(bool avanti) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void focusOutEvent(QFocusEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;

private:
    void vaiAllaParte(int indice);
    void cifra(int valore);
    void separatore();
    // Gives the date the digits typed so far into the part in hand, and forgets them.
    void concludiParte();
    void applica();

    // The date being typed: a day beyond the month in hand is kept until the month is typed.
    int giorno_ = 1;
    int mese_ = 1;
    int anno_ = 2000;
    bool inDigitazione_ = false;
    QString cifre_;
    // The last digit filled its part and moved on, so a separator typed now is already done.
    bool appenaPassato_ = false;
};

// A check box whose caption wraps over several lines and, as on the box, toggles it when clicked.
class TCasellaDidascalia : public QCheckBox {
    Q_OBJECT
public:
    TCasellaDidascalia(const QString& didascalia, QWidget* parent);

    QLabel* didascalia() const { return didascalia_; }

protected:
    bool hitButton(const QPoint& punto) const override;
    void resizeEvent(QResizeEvent* evento) override;

private:
    QLabel* didascalia_;
};
