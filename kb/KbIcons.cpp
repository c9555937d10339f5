#include "kb/KbIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kestrel {

namespace {

void drawLines(QPainter& p, const QList<std::pair<int, int>>& spans)
{
    int y = 3;
    for (const auto& [from, to] : spans) {
        p.drawLine(from, y, to, y);
        y += 3;
    }
}

void drawPage(QPainter& p, const QColor& fill)
{
    QPainterPath page;
    page.moveTo(3, 1);
    page.lineTo(10, 1);
    page.lineTo(13, 4);
    page.lineTo(13, 15);
    page.lineTo(3, 15);
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(fill);
    p.drawPath(page);
    p.setPen(QPen(QColor(140, 140, 140), 1));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(5, y, 11, y);
}

void drawLetter(QPainter& p, const QString& letter, bool bold, bool italic, bool underline)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(13);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
}

} // namespace

QIcon KbIcon(const QString& key)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40);
    if (key == QLatin1String("save")) {
        p.setPen(ink);
        p.setBrush(QColor(60, 100, 170));
        p.drawRect(1, 1, 14, 14);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 8, 5);
        p.setBrush(QColor(210, 210, 210));
        p.drawRect(3, 9, 10, 6);
    } else if (key == QLatin1String("new") || key == QLatin1String("entry")) {
        drawPage(p, Qt::white);
        if (key == QLatin1String("new")) {
            p.setPen(QPen(QColor(40, 150, 40), 2));
            p.drawLine(12, 9, 12, 15);
            p.drawLine(9, 12, 15, 12);
        }
    } else if (key == QLatin1String("edit")) {
        drawPage(p, Qt::white);
        p.setPen(QPen(QColor(200, 120, 20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(6, 13, 14, 5);
    } else if (key == QLatin1String("delete")) {
        drawPage(p, Qt::white);
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(8, 8, 14, 14);
        p.drawLine(14, 8, 8, 14);
    } else if (key == QLatin1String("bold")) {
        drawLetter(p, QStringLiteral("B"), true, false, false);
    } else if (key == QLatin1String("italic")) {
        drawLetter(p, QStringLiteral("I"), false, true, false);
    } else if (key == QLatin1String("underline")) {
        drawLetter(p, QStringLiteral("U"), false, false, true);
    } else if (key == QLatin1String("left")) {
        p.setPen(QPen(ink, 1.5));
        drawLines(p, {{1, 15}, {1, 10}, {1, 15}, {1, 8}});
    } else if (key == QLatin1String("center")) {
        p.setPen(QPen(ink, 1.5));
        drawLines(p, {{1, 15}, {4, 12}, {1, 15}, {5, 11}});
    } else if (key == QLatin1String("right")) {
        p.setPen(QPen(ink, 1.5));
        drawLines(p, {{1, 15}, {6, 15}, {1, 15}, {8, 15}});
    } else if (key == QLatin1String("close")) {
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
    } else if (key == QLatin1String("root")) {
        p.setPen(ink);
        p.setBrush(QColor(71, 154, 83));
        p.drawRoundedRect(2, 1, 12, 14, 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(4, 3, 8, 3);
    } else if (key == QLatin1String("category")) {
        p.setPen(QColor(150, 110, 20));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(1, 3, 6, 3);
        p.drawRect(1, 5, 14, 9);
    } else if (key == QLatin1String("font")) {
        drawLetter(p, QStringLiteral("A"), false, false, false);
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace kestrel
