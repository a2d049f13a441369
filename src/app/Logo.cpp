#include "app/Logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

constexpr int kLarghezza = 106;
constexpr int kAltezza = 142;

const QColor kBianco(0xf2, 0xf6, 0xfa);

// A white disc with a red cross, for the medical setting, centred on (cx, cy).
void disegnaEmblema(QPainter& pittore, QPointF centro, double raggio)
{
    pittore.setPen(Qt::NoPen);
    pittore.setBrush(kBianco);
    pittore.drawEllipse(centro, raggio, raggio);
    pittore.setBrush(QColor(0xc0, 0x39, 0x2b));
    const double lungo = raggio * 48 / 34;
    const double corto = raggio * 14 / 34;
    const double angolo = raggio * 3 / 34;
    pittore.drawRoundedRect(QRectF(centro.x() - corto / 2, centro.y() - lungo / 2, corto, lungo), angolo, angolo);
    pittore.drawRoundedRect(QRectF(centro.x() - lungo / 2, centro.y() - corto / 2, lungo, corto), angolo, angolo);
}

} // namespace

QPixmap disegnaIcona(int lato)
{
    QPixmap icona(lato, lato);
    icona.fill(Qt::transparent);
    QPainter pittore(&icona);
    pittore.setRenderHint(QPainter::Antialiasing);
    pittore.setPen(Qt::NoPen);
    pittore.setBrush(QColor(0x1f, 0x4e, 0x79));
    pittore.drawRoundedRect(QRectF(0, 0, lato, lato), lato / 6.0, lato / 6.0);
    disegnaEmblema(pittore, QPointF(lato / 2.0, lato / 2.0), lato * 0.4);
    return icona;
}

QPixmap disegnaLogo(double fattore, double devicePixelRatio)
{
    const double pixel = fattore * devicePixelRatio;
    QPixmap logo(static_cast<int>(std::lround(kLarghezza * pixel)), static_cast<int>(std::lround(kAltezza * pixel)));
    logo.setDevicePixelRatio(devicePixelRatio);
    QPainter pittore(&logo);
    pittore.setRenderHint(QPainter::Antialiasing);
    pittore.scale(fattore, fattore);

    QLinearGradient sfondo(0, 0, 0, kAltezza);
    sfondo.setColorAt(0.0, QColor(0x1f, 0x4e, 0x79));
    sfondo.setColorAt(1.0, QColor(0x0b, 0x24, 0x3b));
    pittore.fillRect(QRectF(0, 0, kLarghezza, kAltezza), sfondo);

    // The emblem above the sea of the Puglia coast.
    disegnaEmblema(pittore, QPointF(53, 50), 34);

    QPainterPath onda;
    onda.moveTo(0, 104);
    onda.cubicTo(26, 94, 40, 114, 64, 104);
    onda.cubicTo(80, 97, 94, 102, kLarghezza, 98);
    onda.lineTo(kLarghezza, kAltezza);
    onda.lineTo(0, kAltezza);
    onda.closeSubpath();
    pittore.setBrush(QColor(0x3a, 0x8f, 0xc9));
    pittore.drawPath(onda);

    pittore.setPen(kBianco);
    QFont carattere(QStringLiteral("Sans Serif"));
    carattere.setStyleHint(QFont::SansSerif);
    carattere.setPixelSize(15);
    carattere.setBold(true);
    pittore.setFont(carattere);
    pittore.drawText(QRect(0, 108, kLarghezza, 18), Qt::AlignCenter, QStringLiteral("OV-PIP"));
    return logo;
}

QIcon iconaProgramma()
{
    QIcon icona;
    for (const int lato : { 16, 24, 32, 48, 64, 128 })
        icona.addPixmap(disegnaIcona(lato));
    return icona;
}

TOrvaLogo::TOrvaLogo(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setScaledContents(false);
    setAccessibleName(QStringLiteral("Logo"));
    impostaScala(1.0);
}

void TOrvaLogo::impostaScala(double fattore)
{
    setPixmap(disegnaLogo(fattore, devicePixelRatioF()));
}

void TOrvaLogo::mouseDoubleClickEvent(QMouseEvent* evento)
{
    QLabel::mouseDoubleClickEvent(evento);
    emit doppioClick();
}
