#include "IconPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(0x3a, 0x3a, 0x3a);
const QColor kPaper(0xfb, 0xfb, 0xfb);
const QColor kBlue(0x2d, 0x6c, 0xb5);

// Lines of text on a page: short grey strokes.
void TextLines(QPainter& painter, qreal left, qreal top, qreal right, int count, qreal gap) {
    painter.setPen(QPen(QColor(0x8a, 0x8a, 0x8a), 0.9));
    for (int i = 0; i < count; ++i)
        painter.drawLine(QPointF(left, top + i * gap), QPointF(right, top + i * gap));
}

void Page(QPainter& painter, const QRectF& rect) {
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(kPaper);
    painter.drawRect(rect);
}

// Each picture is drawn on a 16 by 16 grid, scaled to the size asked for.
void DrawProgram(QPainter& painter) {
    QLinearGradient sky(0, 0, 0, 16);
    sky.setColorAt(0, QColor(0x3f, 0x86, 0xd6));
    sky.setColorAt(1, QColor(0x1f, 0x55, 0x99));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    // A report list on a sheet: a header bar and rows.
    painter.setBrush(kPaper);
    painter.drawRoundedRect(QRectF(3, 3, 10, 10.5), 0.8, 0.8);
    painter.setBrush(QColor(0xf2, 0x9b, 0x30));
    painter.drawRect(QRectF(3, 3, 10, 2.4));
    painter.setBrush(QColor(0x9c, 0xb4, 0xd0));
    for (int row = 0; row < 3; ++row)
        painter.drawRect(QRectF(4.2, 6.6 + row * 2.2, 7.6, 1.1));
}

void DrawCut(QPainter& painter) {
    painter.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(6.2, 9.6), QPointF(11.2, 1.5));
    painter.drawLine(QPointF(9.8, 9.6), QPointF(4.8, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xc0, 0x30, 0x30), 1.4));
    painter.drawEllipse(QPointF(5.0, 12.2), 2.3, 2.3);
    painter.drawEllipse(QPointF(11.0, 12.2), 2.3, 2.3);
}

void DrawCopy(QPainter& painter) {
    Page(painter, QRectF(1.5, 1.5, 8, 10));
    TextLines(painter, 3, 4, 8, 3, 2);
    Page(painter, QRectF(6.5, 4.5, 8, 10.5));
    TextLines(painter, 8, 7, 13, 4, 2);
}

void DrawPaste(QPainter& painter) {
    painter.setPen(QPen(QColor(0x6b, 0x4a, 0x1e), 1.0));
    painter.setBrush(QColor(0xc8, 0x95, 0x55));
    painter.drawRoundedRect(QRectF(2.5, 2.5, 11, 12.5), 1, 1);
    Page(painter, QRectF(4.5, 5, 7, 8.5));
    TextLines(painter, 6, 7.5, 10, 3, 2);
    painter.setPen(QPen(kInk, 0.8));
    painter.setBrush(QColor(0xb0, 0xb0, 0xb0));
    painter.drawRoundedRect(QRectF(5.5, 1, 5, 3), 0.8, 0.8);
}

void DrawPrint(QPainter& painter) {
    Page(painter, QRectF(4, 1.5, 8, 5));
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(QColor(0x9a, 0x9a, 0xa0));
    painter.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1, 1);
    painter.setBrush(QColor(0x5a, 0xc0, 0x5a));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(12, 7.5, 1.2, 1));
    Page(painter, QRectF(4, 10, 8, 5));
    TextLines(painter, 5.5, 12, 10.5, 2, 1.6);
}

void DrawHelp(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBlue);
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    // A question mark from strokes: a hook and a dot.
    QPainterPath hook;
    hook.moveTo(5.6, 6.2);
    hook.cubicTo(5.6, 3.2, 10.6, 3.2, 10.4, 6.0);
    hook.cubicTo(10.3, 7.6, 8.0, 7.8, 8.0, 9.8);
    painter.setPen(QPen(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(hook);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(8.0, 12.2), 1.05, 1.05);
}

} // namespace

QImage CIconPainter::Paint(Kind kind, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    switch (kind) {
    case Kind::Program:
        DrawProgram(painter);
        break;
    case Kind::Cut:
        DrawCut(painter);
        break;
    case Kind::Copy:
        DrawCopy(painter);
        break;
    case Kind::Paste:
        DrawPaste(painter);
        break;
    case Kind::Print:
        DrawPrint(painter);
        break;
    case Kind::Help:
        DrawHelp(painter);
        break;
    }
    return image;
}

QIcon CIconPainter::Icon(Kind kind) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(Paint(kind, size)));
    return icon;
}

QIcon CIconPainter::ThemeIcon(const char* themeName, Kind kind) {
    return QIcon::fromTheme(QString::fromLatin1(themeName), Icon(kind));
}
