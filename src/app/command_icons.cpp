#include "app/command_icons.h"

#include <QFont>
#include <cmath>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "app/main_messages.h"

namespace songloom::app {
namespace {

const QColor kInk(40, 40, 40);
const QColor kAccent(64, 200, 200);

void Page(QPainter& p, QColor fill = Qt::white)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(fill);
    p.drawRect(QRectF(8, 4, 16, 22));
    for (int y = 10; y <= 20; y += 4) p.drawLine(QPointF(11, y), QPointF(21, y));
}

void Arrow(QPainter& p, QPointF from, QPointF to, QColor colour)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << to + u * 3 << to - u * 4 + n * 4 << to - u * 4 - n * 4;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void Note(QPainter& p, QPointF at, QColor colour)
{
    p.setPen(QPen(colour, 2));
    p.setBrush(colour);
    p.drawEllipse(at, 4, 3);
    p.drawLine(at + QPointF(4, 0), at + QPointF(4, -14));
    p.drawLine(at + QPointF(4, -14), at + QPointF(9, -10));
}

void DrawCommand(QPainter& p, int command, bool playing)
{
    switch (command) {
    case kCmdClear:
        Page(p);
        p.setPen(QPen(QColor(220, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 6), QPointF(26, 26));
        p.drawLine(QPointF(26, 6), QPointF(6, 26));
        break;
    case kCmdOpen:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(240, 200, 90));
        p.drawPolygon(QPolygonF({QPointF(3, 10), QPointF(12, 10), QPointF(14, 13), QPointF(29, 13),
                                 QPointF(29, 27), QPointF(3, 27)}));
        Arrow(p, QPointF(16, 24), QPointF(16, 3), QColor(40, 120, 200));
        break;
    case kCmdSave:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(70, 110, 190));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(8, 18, 16, 10));
        break;
    case kCmdImport:
        Note(p, QPointF(10, 24), kInk);
        Arrow(p, QPointF(28, 8), QPointF(16, 20), QColor(40, 160, 80));
        break;
    case kCmdExport:
        Note(p, QPointF(8, 24), kInk);
        Arrow(p, QPointF(16, 20), QPointF(29, 7), QColor(200, 120, 40));
        break;
    case kCmdPlay:
    case kCmdPhrasePlay:
        p.setPen(Qt::NoPen);
        if (playing) {
            p.setBrush(QColor(210, 50, 50));
            p.drawRect(QRectF(8, 8, 16, 16));
        } else {
            p.setBrush(QColor(40, 170, 70));
            p.drawPolygon(QPolygonF({QPointF(9, 5), QPointF(27, 16), QPointF(9, 27)}));
        }
        break;
    case kCmdLibrary:
        p.setPen(QPen(kInk, 1.5));
        for (int i = 0; i < 4; ++i) {
            p.setBrush(QColor::fromHsv(40 + i * 50, 120, 220));
            p.drawRect(QRectF(4 + i * 6, 6 + (i % 2) * 2, 5, 22 - (i % 2) * 2));
        }
        break;
    case kCmdSongInfo:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(4, 4, 24, 24));
        p.setFont(QFont(QStringLiteral("Serif"), 14, QFont::Bold));
        p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, QStringLiteral("i"));
        break;
    case kCmdOptions:
        p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            const double a = i * 3.14159265 / 4;
            p.drawLine(QPointF(16 + 11 * std::cos(a), 16 + 11 * std::sin(a)),
                       QPointF(16 - 11 * std::cos(a), 16 - 11 * std::sin(a)));
        }
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 7, 7);
        break;
    case kCmdBarEdit:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3, 8, 12, 16));
        p.drawRect(QRectF(17, 8, 12, 16));
        Arrow(p, QPointF(7, 16), QPointF(24, 16), QColor(40, 120, 200));
        break;
    case kCmdHelp:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(250, 230, 120));
        p.drawEllipse(QRectF(4, 4, 24, 24));
        p.setFont(QFont(QStringLiteral("Sans"), 15, QFont::Bold));
        p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
        break;
    case kCmdQuit:
        p.setPen(QPen(QColor(200, 50, 50), 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 3), QPointF(16, 15));
        break;
    default:
        Page(p);
        break;
    }
}

}  // namespace

QPixmap CommandPixmap(int command, bool playing)
{
    QPixmap pixmap(kCommandIconSize, kCommandIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawCommand(painter, command, playing);
    return pixmap;
}

QIcon CommandIcon(int command, bool playing) { return QIcon(CommandPixmap(command, playing)); }

QPixmap StartUpPicture()
{
    QPixmap pixmap(360, 200);
    pixmap.fill(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kAccent, 2));
    for (int i = 0; i < 5; ++i) p.drawLine(30, 60 + i * 10, 330, 60 + i * 10);
    for (int i = 0; i < 5; ++i) Note(p, QPointF(70 + i * 50, 100 - i * 8), kAccent);
    p.setFont(QFont(QStringLiteral("Sans"), 26, QFont::Bold));
    p.drawText(QRect(0, 120, 360, 44), Qt::AlignCenter, QStringLiteral("Songloom"));
    p.setFont(QFont(QStringLiteral("Sans"), 10));
    p.drawText(QRect(0, 164, 360, 24), Qt::AlignCenter, QStringLiteral("曲のスケッチと自動編曲"));
    return pixmap;
}

}  // namespace songloom::app
