#include "app/Logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap disegnaLogo()
{
    constexpr int kLarghezza = 106;
    constexpr int kAltezza = 142;
    QPixmap logo(kLarghezza, kAltezza);
    QPainter pittore(&logo);
    pittore.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sfondo(0, 0, 0, kAltezza);
    sfondo.setColorAt(0.0, QColor(0x1f, 0x4e, 0x79));
    sfondo.setColorAt(1.0, QColor(0x0b, 0x24, 0x3b));
    pittore.fillRect(logo.rect(), sfondo);

    // A white cross on a disc, for the medical setting, above the sea of the Puglia coast.
    pittore.setPen(Qt::NoPen);
    pittore.setBrush(QColor(0xf2, 0xf6, 0xfa));
    pittore.drawEllipse(QPointF(53, 50), 34, 34);
    pittore.setBrush(QColor(0xc0, 0x39, 0x2b));
    pittore.drawRoundedRect(QRectF(46, 26, 14, 48), 3, 3);
    pittore.drawRoundedRect(QRectF(29, 43, 48, 14), 3, 3);

    QPainterPath onda;
    onda.moveTo(0, 104);
    onda.cubicTo(26, 94, 40, 114, 64, 104);
    onda.cubicTo(80, 97, 94, 102, kLarghezza, 98);
    onda.lineTo(kLarghezza, kAltezza);
    onda.lineTo(0, kAltezza);
    onda.closeSubpath();
    pittore.setBrush(QColor(0x3a, 0x8f, 0xc9));
    pittore.drawPath(onda);

    pittore.setPen(QColor(0xf2, 0xf6, 0xfa));
    QFont carattere(QStringLiteral("Sans Serif"));
    carattere.setStyleHint(QFont::SansSerif);
    carattere.setPixelSize(15);
    carattere.setBold(true);
    pittore.setFont(carattere);
    pittore.drawText(QRect(0, 108, kLarghezza, 18), Qt::AlignCenter, QStringLiteral("OV-PIP"));
    return logo;
}

TOrvaLogo::TOrvaLogo(QWidget* parent)
    : QLabel(parent)
{
    setPixmap(disegnaLogo());
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setScaledContents(false);
}

void TOrvaLogo::mouseDoubleClickEvent(QMouseEvent* evento)
{
    QLabel::mouseDoubleClickEvent(evento);
    emit doppioClick();
}
