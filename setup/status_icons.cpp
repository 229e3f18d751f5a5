#include "status_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace vodex::setup {
namespace {

constexpr int kSize = 32;

void Disc(QPainter& p, QColor colour, QRectF area) {
    p.setPen(QPen(colour.darker(140), 1.5));
    p.setBrush(colour);
    p.drawEllipse(area);
}

// The base signs.
void New(QPainter& p) {
    // A star of eight points.
    QPainterPath star;
    for (int i = 0; i < 16; ++i) {
        const double r = i % 2 ? 7 : 14;
        const double a = i * 3.14159265 / 8;
        const QPointF at(16 + r * std::cos(a), 16 + r * std::sin(a));
        i ? star.lineTo(at) : star.moveTo(at);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 0), 1.5));
    p.setBrush(QColor(255, 200, 0));
    p.drawPath(star);
}

void Update(QPainter& p) {
    Disc(p, QColor(40, 120, 220), QRectF(3, 3, 26, 26));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(16, 23), QPointF(16, 9));
    p.drawLine(QPointF(10, 15), QPointF(16, 9));
    p.drawLine(QPointF(22, 15), QPointF(16, 9));
}

void Abort(QPainter& p) {
    Disc(p, QColor(210, 40, 40), QRectF(3, 3, 26, 26));
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
}

void Ok(QPainter& p) {
    Disc(p, QColor(40, 160, 60), QRectF(3, 3, 26, 26));
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(9, 17), QPointF(14, 22), QPointF(23, 10)}));
}

void About(QPainter& p) {
    Disc(p, QColor(40, 120, 220), QRectF(14, 14, 17, 17));
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22.5, 21), QPointF(22.5, 27));
    p.drawPoint(QPointF(22.5, 17.5));
}

void Help(QPainter& p) {
    Disc(p, QColor(40, 120, 220), QRectF(3, 3, 26, 26));
    QFont font;
    font.setBold(true);
    font.setPixelSize(20);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, "?");
}

void Multimeter(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(240, 200, 40));
    p.drawRoundedRect(QRectF(6, 2, 20, 28), 3, 3);
    p.setBrush(QColor(200, 230, 200));
    p.drawRect(QRectF(9, 5, 14, 8));
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(QRectF(11, 16, 10, 10));
}

// The overlays in the lower right corner.
void Internet(QPainter& p) {
    const QRectF globe(17, 17, 14, 14);
    Disc(p, QColor(60, 140, 230), globe);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(globe.adjusted(4, 0, -4, 0));
    p.drawLine(QPointF(17, 24), QPointF(31, 24));
}

void Cd(QPainter& p) {
    Disc(p, QColor(200, 200, 210), QRectF(17, 17, 14, 14));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(22, 22, 4, 4));
}

}  // namespace

QIcon StatusIcon(const std::string& key) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const bool isNew = key.starts_with("new");
    if (isNew) {
        New(p);
    } else if (key.starts_with("update")) {
        Update(p);
    } else if (key == "decrepated" || key == "ERROR") {
        Abort(p);
    } else if (key == "ok") {
        Ok(p);
    } else if (key == "generic") {
        Multimeter(p);
        About(p);
    } else if (key == "help") {
        Help(p);
    }
    if (key.ends_with("inet")) Internet(p);
    if (key.ends_with("disk")) Cd(p);
    return QIcon(pixmap);
}

QIcon DriverIcon(const tlx::cls_CorePicture& picture) {
    QPixmap pixmap;
    const auto& bytes = picture.BYTES();
    pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
    return pixmap.isNull() ? StatusIcon("generic") : QIcon(pixmap);
}

}  // namespace vodex::setup
