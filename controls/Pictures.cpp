#include "controls/Pictures.h"

#include "controls/Fonts.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

using namespace Qt::StringLiterals;

namespace Pictures {

namespace {

void drawKey(QPainter& p, const QRectF& r, const QColor& color)
{
    const double s = r.width();
    p.save();
    p.translate(r.topLeft());
    p.setPen(QPen(color.darker(160), s * 0.04));
    p.setBrush(color);
    p.drawEllipse(QRectF(s * 0.05, s * 0.30, s * 0.38, s * 0.38));
    p.drawRect(QRectF(s * 0.40, s * 0.44, s * 0.55, s * 0.10));
    p.drawRect(QRectF(s * 0.80, s * 0.54, s * 0.08, s * 0.14));
    p.drawRect(QRectF(s * 0.66, s * 0.54, s * 0.08, s * 0.10));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(s * 0.16, s * 0.41, s * 0.14, s * 0.14));
    p.restore();
}

}  // namespace

QPixmap keys(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.rotate(-20);
    drawKey(p, QRectF(-size * 0.1, size * 0.25, size * 0.95, size * 0.95), QColor(0xF0, 0xC0, 0x30));
    p.rotate(30);
    drawKey(p, QRectF(size * 0.05, -size * 0.05, size * 0.85, size * 0.85), QColor(0xC8, 0xC8, 0xC8));
    return pm;
}

QPixmap background(const QSize& size)
{
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, pm.height());
    sky.setColorAt(0, QColor(0x1E, 0x3C, 0x72));
    sky.setColorAt(0.65, QColor(0x2A, 0x52, 0x98));
    sky.setColorAt(1, QColor(0xF2, 0xA6, 0x5A));
    p.fillRect(pm.rect(), sky);
    // A city skyline along the bottom.
    const int w = pm.width(), h = pm.height();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x18, 0x30));
    int x = 0, k = 0;
    while (x < w) {
        const int bw = 40 + (k * 37) % 70;
        const int bh = h / 8 + ((k * 53) % 7) * h / 40;
        p.drawRect(x, h - bh, bw - 6, bh);
        x += bw;
        ++k;
    }
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRect(0, h - h / 22, w, h / 22);
    p.setPen(QPen(QColor(0xF0, 0xF0, 0xA0), 3, Qt::DashLine));
    p.drawLine(0, h - h / 44, w, h - h / 44);
    return pm;
}

QIcon menuIcon(Kind kind)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    static const QColor colors[] = {QColor(0x2E, 0x7D, 0x32), QColor(0x15, 0x65, 0xC0), QColor(0x6D, 0x4C, 0x41),
                                    QColor(0x00, 0x83, 0x8F), QColor(0x75, 0x75, 0x75), QColor(0xEF, 0x6C, 0x00),
                                    QColor(0x5E, 0x35, 0xB1), QColor(0xC6, 0x28, 0x28), QColor(0x37, 0x47, 0x4F),
                                    QColor(0xF9, 0xA8, 0x25), QColor(0x00, 0x69, 0x5C), QColor(0x28, 0x35, 0x93),
                                    QColor(0xB7, 0x1C, 0x1C)};
    const QColor c = colors[int(kind)];
    p.setPen(QPen(c.darker(150), 2));
    p.setBrush(c);
    switch (kind) {
        case Kind::Service:  // a car
            p.drawRoundedRect(QRectF(3, 13, 26, 10), 3, 3);
            p.drawRoundedRect(QRectF(8, 7, 15, 8), 3, 3);
            p.setBrush(Qt::black);
            p.drawEllipse(QRectF(6, 20, 7, 7));
            p.drawEllipse(QRectF(19, 20, 7, 7));
            break;
        case Kind::Payment:  // a coin
            p.drawEllipse(QRectF(4, 4, 24, 24));
            p.setPen(QPen(Qt::white, 2));
            p.drawLine(16, 9, 16, 23);
            break;
        case Kind::Drivers:
        case Kind::Subscribers:
        case Kind::Users:  // a person
            p.drawEllipse(QRectF(10, 3, 12, 12));
            p.drawRoundedRect(QRectF(5, 16, 22, 13), 6, 6);
            break;
        case Kind::Settings:  // a gear
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(16, 16);
                p.rotate(i * 45);
                p.drawRect(QRectF(-2.5, -14, 5, 6));
                p.restore();
            }
            p.drawEllipse(QRectF(6, 6, 20, 20));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(12, 12, 8, 8));
            break;
        case Kind::List:
        case Kind::Account:  // a sheet with lines
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 3, 20, 26));
            for (int y = 9; y < 27; y += 5) p.drawLine(9, y, 23, y);
            break;
        case Kind::Statistics:  // bars
            p.drawRect(QRectF(4, 18, 6, 11));
            p.drawRect(QRectF(13, 10, 6, 19));
            p.drawRect(QRectF(22, 4, 6, 25));
            break;
        case Kind::Password:  // a key
            drawKey(p, QRectF(1, 1, 30, 30), c);
            break;
        case Kind::Backup:  // a disk
            p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 4, 14, 9));
            break;
        case Kind::About:  // an i
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setPen(QPen(Qt::white, 3));
            p.drawPoint(16, 10);
            p.drawLine(16, 14, 16, 23);
            break;
        case Kind::Exit:  // a door with an arrow
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(12, 4, 14, 24));
            p.drawLine(4, 16, 14, 16);
            p.drawLine(4, 16, 8, 12);
            p.drawLine(4, 16, 8, 20);
            break;
    }
    return QIcon(pm);
}

QPixmap credits(int size, const QString& name, const QString& version, const QString& makers)
{
    QPixmap pm(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QRadialGradient g(size / 2.0, size / 2.0, size * 0.7);
    g.setColorAt(0, QColor(0xFF, 0xF8, 0xE1));
    g.setColorAt(1, QColor(0xFF, 0xB3, 0x00));
    p.fillRect(pm.rect(), g);
    p.setPen(QPen(QColor(0x8D, 0x3B, 0x00), size / 60.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92), size * 0.05, size * 0.05);
    // A car across the middle.
    p.setBrush(QColor(0x15, 0x65, 0xC0));
    p.drawRoundedRect(QRectF(size * 0.25, size * 0.42, size * 0.5, size * 0.12), size * 0.03, size * 0.03);
    p.drawRoundedRect(QRectF(size * 0.34, size * 0.34, size * 0.3, size * 0.1), size * 0.03, size * 0.03);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(size * 0.31, size * 0.5, size * 0.1, size * 0.1));
    p.drawEllipse(QRectF(size * 0.59, size * 0.5, size * 0.1, size * 0.1));

    QTextOption rtl(Qt::AlignCenter);
    rtl.setTextDirection(Qt::RightToLeft);
    rtl.setWrapMode(QTextOption::WordWrap);
    QFont f = p.font();
    f.setFamilies({persianFamily(u"Titr"_s), u"Noto Naskh Arabic"_s});
    f.setBold(true);
    f.setPixelSize(qMax(6, size / 12));
    p.setFont(f);
    p.setPen(QColor(0x4E, 0x1A, 0x00));
    p.drawText(QRectF(size * 0.08, size * 0.08, size * 0.84, size * 0.24), name, rtl);
    f.setFamilies({persianFamily(u"Nazli"_s), u"Noto Naskh Arabic"_s});
    f.setBold(false);
    f.setPixelSize(qMax(5, size / 18));
    p.setFont(f);
    p.drawText(QRectF(size * 0.08, size * 0.64, size * 0.84, size * 0.1), version, rtl);
    p.drawText(QRectF(size * 0.08, size * 0.75, size * 0.84, size * 0.16), makers, rtl);
    return pm;
}

}  // namespace Pictures
