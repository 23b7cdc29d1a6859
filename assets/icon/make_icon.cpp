// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's icon, a speaker sounding over a rising rate line, and writes it as an .ico file
// (beside the program) and, if asked, as a PNG (for the desktop's application menu).
//
//   make_icon OUTPUT.ico [OUTPUT.png]

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 52, 110));
    painter.drawRoundedRect(QRectF(1, 1, 46, 46), 8, 8);

    // The rate line behind the speaker.
    painter.setPen(QPen(QColor(120, 220, 120), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({{6, 38}, {14, 33}, {20, 36}, {28, 26}, {34, 29}, {42, 17}}));

    // The speaker.
    QPainterPath speaker;
    speaker.moveTo(8, 17);
    speaker.lineTo(14, 17);
    speaker.lineTo(22, 10);
    speaker.lineTo(22, 32);
    speaker.lineTo(14, 25);
    speaker.lineTo(8, 25);
    speaker.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 250, 250));
    painter.drawPath(speaker);

    // Its sound.
    painter.setPen(QPen(QColor(250, 250, 250), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(18, 13, 12, 16), -50 * 16, 100 * 16);
    painter.drawArc(QRectF(17, 8, 20, 26), -50 * 16, 100 * 16);
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico [OUTPUT.png]\n");
        return 2;
    }
    const QImage icon = drawIcon(48);
    for (int i = 1; i < argc; ++i) {
        QImageWriter writer(QString::fromLocal8Bit(argv[i]), i == 1 ? "ico" : "png");
        if (!writer.write(icon)) {
            std::fprintf(stderr, "make_icon: %s: %s\n", argv[i], qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
