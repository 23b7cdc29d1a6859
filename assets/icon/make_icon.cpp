// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's icon, a speaker sounding over a rising rate line, and writes it as an .ico file
// (beside the program) and, if asked, as PNGs of the sizes given (for the desktop's menus and docks),
// each drawn at its own size so that none is a blurred scaling of another.
//
//   make_icon OUTPUT.ico [SIZE OUTPUT.png]...

#include <QByteArray>
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
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico [SIZE OUTPUT.png]...\n");
        return 2;
    }
    const auto write = [](const QImage &icon, const char *path, const char *format) {
        QImageWriter writer(QString::fromLocal8Bit(path), format);
        if (writer.write(icon))
            return true;
        std::fprintf(stderr, "make_icon: %s: %s\n", path, qPrintable(writer.errorString()));
        return false;
    };
    if (!write(drawIcon(48), argv[1], "ico"))
        return 1;
    for (int i = 2; i < argc; i += 2) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "make_icon: %s: not a size in pixels from 16 to 1024\n", argv[i]);
            return 2;
        }
        if (!write(drawIcon(size), argv[i + 1], "png"))
            return 1;
    }
    return 0;
}
