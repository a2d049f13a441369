#include "app/Controlli.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionSpinBox>
#include <algorithm>

namespace {

bool eSeparatore(const QString& testo)
{
    return testo == QLatin1String("/") || testo == QLatin1String(".") || testo == QLatin1String("-")
        || testo == QLatin1String(" ");
}

} // namespace

TSelettoreData::TSelettoreData(QWidget* parent)
    : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
}

bool TSelettoreData::focusNextPrevChild(bool avanti)
{
    // Tab moves to the next control, never to the next part of the date.
    return QWidget::focusNextPrevChild(avanti);
}

void TSelettoreData::keyPressEvent(QKeyEvent* evento)
{
    const int tasto = evento->key();
    const bool alt = evento->modifiers() & Qt::AltModifier;
    if (tasto == Qt::Key_F4 || (alt && (tasto == Qt::Key_Down || tasto == Qt::Key_Up))) {
        concludiParte();
        apriCalendario();
        return;
    }
    if (evento->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QDateEdit::keyPressEvent(evento);
        return;
    }
    switch (tasto) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        concludiParte();
        vaiAllaParte(currentSectionIndex() + (tasto == Qt::Key_Right ? 1 : -1));
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        concludiParte();
        vaiAllaParte(tasto == Qt::Key_Home ? 0 : sectionCount() - 1);
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        // Typing starts the part again; the date itself never holds a half-erased text.
        cifre_.clear();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        concludiParte();
        inDigitazione_ = false;
        QDateEdit::keyPressEvent(evento);
        return;
    default:
        break;
    }
    const QString testo = evento->text();
    if (testo.size() == 1 && testo.front().isDigit()) {
        cifra(testo.front().digitValue());
        return;
    }
    if (eSeparatore(testo)) {
        separatore();
        return;
    }
    if (!testo.isEmpty() && testo.front().isPrint())
        return; // other characters have no place in a date
    QDateEdit::keyPressEvent(evento);
}

void TSelettoreData::focusOutEvent(QFocusEvent* evento)
{
    concludiParte();
    inDigitazione_ = false;
    QDateEdit::focusOutEvent(evento);
}

void TSelettoreData::mousePressEvent(QMouseEvent* evento)
{
    concludiParte();
    inDigitazione_ = false;
    QDateEdit::mousePressEvent(evento);
}

void TSelettoreData::apriCalendario()
{
    if (!calendarPopup() || isReadOnly())
        return;
    // The calendar opens as a press on the drop-down arrow opens it.
    QStyleOptionSpinBox opzioneSpin;
    initStyleOption(&opzioneSpin);
    QStyleOptionComboBox opzione;
    opzione.QStyleOption::operator=(opzioneSpin);
    opzione.editable = true;
    opzione.subControls = QStyle::SC_All;
    const QPoint freccia
        = style()->subControlRect(QStyle::CC_ComboBox, &opzione, QStyle::SC_ComboBoxArrow, this).center();
    QMouseEvent pressione(
        QEvent::MouseButtonPress, freccia, mapToGlobal(freccia), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QDateEdit::mousePressEvent(&pressione);
}

void TSelettoreData::vaiAllaParte(int indice)
{
    indice = std::clamp(indice, 0, sectionCount() - 1);
    setCurrentSectionIndex(indice);
    setSelectedSection(sectionAt(indice));
    appenaPassato_ = false;
}

void TSelettoreData::cifra(int valore)
{
    if (!inDigitazione_) {
        const QDate data = date();
        giorno_ = data.day();
        mese_ = data.month();
        anno_ = data.year();
        inDigitazione_ = true;
    }
    appenaPassato_ = false;
    cifre_ += QChar(u'0' + valore);
    const int numero = cifre_.toInt();
    const Section parte = currentSection();
    if (parte == YearSection) {
        if (cifre_.size() < 4)
            return;
        anno_ = numero;
        cifre_.clear();
        applica();
        return;
    }
    const int massimo = parte == DaySection ? 31 : 12;
    if (numero > 0)
        (parte == DaySection ? giorno_ : mese_) = std::min(numero, massimo);
    applica();
    // A part is full when no further digit could still make a valid number.
    if (cifre_.size() == 2 || numero * 10 > massimo) {
        cifre_.clear();
        if (currentSectionIndex() + 1 < sectionCount()) {
            vaiAllaParte(currentSectionIndex() + 1);
            appenaPassato_ = true;
        }
    }
}

void TSelettoreData::separatore()
{
    if (appenaPassato_ && cifre_.isEmpty()) {
        appenaPassato_ = false;
        return;
    }
    concludiParte();
    vaiAllaParte(currentSectionIndex() + 1);
}

void TSelettoreData::concludiParte()
{
    if (cifre_.isEmpty())
        return;
    // A year typed with one or two digits is a year of this century.
    if (currentSection() == YearSection && cifre_.size() <= 2) {
        anno_ = 2000 + cifre_.toInt();
        applica();
    }
    cifre_.clear();
}

void TSelettoreData::applica()
{
    const int indice = currentSectionIndex();
    const QDate primo(anno_, mese_, 1);
    setDate(QDate(anno_, mese_, std::min(giorno_, primo.daysInMonth())));
    vaiAllaParte(indice);
}

TCasellaDidascalia::TCasellaDidascalia(const QString& didascalia, QWidget* parent)
    : QCheckBox(parent)
    , didascalia_(new QLabel(didascalia, this))
{
    // A check box caption does not wrap by itself: a word-wrapping label beside the box does it.
    didascalia_->setWordWrap(true);
    didascalia_->setAttribute(Qt::WA_TransparentForMouseEvents);
    didascalia_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAccessibleName(didascalia);
}

bool TCasellaDidascalia::hitButton(const QPoint& punto) const
{
    return rect().contains(punto);
}

void TCasellaDidascalia::resizeEvent(QResizeEvent* evento)
{
    QCheckBox::resizeEvent(evento);
    // The caption starts where the platform's own caption would, after the box and its spacing.
    QStyleOptionButton opzione;
    initStyleOption(&opzione);
    const QRect indicatore = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opzione, this);
    const int sinistra = indicatore.right() + 1 + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opzione, this);
    didascalia_->setGeometry(sinistra, 0, width() - sinistra, height());
}
