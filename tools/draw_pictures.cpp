// Draws the tool's pictures (toolbar icons, list icon, window icon) into a
// folder, at the paths, formats and pixel sizes the resource collection uses.
//
//   draw_pictures <resources/pic> [<app/desktop> [<app/windows>]]
//
// The second folder receives the desktop icon of the installed tool, the
// third its Windows icon (an .ico of the same emblem in the usual sizes).
// The output is committed; run this again only to change the artwork.
// Everything is drawn with shapes, not fonts, so the result does not depend
// on the fonts of the machine that runs it.

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>

namespace {

QImage canvas(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void beginPainter(QPainter &p, QImage &image)
{
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(image.width() / 48.0, image.height() / 48.0); // draw on a 48 x 48 grid
}

void disc(QPainter &p, const QColor &light, const QColor &dark)
{
    QRadialGradient g(QPointF(18, 16), 30);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(130), 1.5));
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, 42, 42));
}

QImage startPicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    disc(p, QColor(110, 170, 255), QColor(20, 70, 180));
    // circular arrow: an open ring with a head at its end
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(13, 13, 22, 22), 120 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(11, 12);
    head.lineTo(21, 13);
    head.lineTo(14, 21);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(head);
    return image;
}

QImage downPicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    disc(p, QColor(190, 230, 255), QColor(70, 160, 225));
    QPainterPath arrow;
    arrow.moveTo(20, 11);
    arrow.lineTo(28, 11);
    arrow.lineTo(28, 24);
    arrow.lineTo(35, 24);
    arrow.lineTo(24, 37);
    arrow.lineTo(13, 24);
    arrow.lineTo(20, 24);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(20, 90, 160), 1));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return image;
}

QImage redDiscPicture(bool cross)
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    disc(p, QColor(255, 120, 110), QColor(190, 20, 20));
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
    if (cross) {
        p.drawLine(QPointF(16, 16), QPointF(32, 32));
        p.drawLine(QPointF(32, 16), QPointF(16, 32));
    } else {
        p.drawLine(QPointF(14, 24), QPointF(34, 24));
    }
    return image;
}

QImage savePicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    QPainterPath body;
    body.moveTo(5, 5);
    body.lineTo(37, 5);
    body.lineTo(43, 11);
    body.lineTo(43, 43);
    body.lineTo(5, 43);
    body.closeSubpath();
    p.setPen(QPen(QColor(20, 40, 90), 1.5));
    p.setBrush(QColor(50, 90, 170));
    p.drawPath(body);
    p.setBrush(QColor(235, 235, 240)); // shutter label
    p.drawRect(QRectF(11, 25, 26, 18));
    p.setBrush(QColor(180, 190, 205)); // metal slider
    p.drawRect(QRectF(13, 5, 20, 12));
    p.setBrush(QColor(50, 90, 170));
    p.drawRect(QRectF(26, 7, 5, 8));
    p.setPen(QPen(QColor(150, 150, 160), 1));
    for (int y = 30; y <= 38; y += 4)
        p.drawLine(QPointF(14, y), QPointF(34, y));
    return image;
}

QImage openPicture()
{
    QImage image = canvas(32);
    QPainter p;
    beginPainter(p, image);
    p.setPen(QPen(QColor(150, 100, 10), 1.5));
    p.setBrush(QColor(230, 180, 60));
    p.drawRect(QRectF(4, 12, 36, 28)); // back of the folder
    p.drawRect(QRectF(4, 8, 14, 6));   // tab
    QPainterPath front;
    front.moveTo(4, 40);
    front.lineTo(10, 20);
    front.lineTo(46, 20);
    front.lineTo(40, 40);
    front.closeSubpath();
    p.setBrush(QColor(250, 210, 90));
    p.drawPath(front);
    QPainterPath arrow; // green arrow leaving the folder
    arrow.moveTo(26, 30);
    arrow.cubicTo(28, 18, 34, 12, 40, 11);
    arrow.lineTo(38, 6);
    arrow.lineTo(47, 12);
    arrow.lineTo(40, 19);
    arrow.lineTo(40, 15);
    arrow.cubicTo(35, 16, 31, 21, 26, 30);
    p.setPen(QPen(QColor(20, 110, 20), 1));
    p.setBrush(QColor(60, 190, 60));
    p.drawPath(arrow);
    return image;
}

QImage goPicture()
{
    QImage image = canvas(24);
    QPainter p;
    beginPainter(p, image);
    QPainterPath arrow;
    arrow.moveTo(4, 18);
    arrow.lineTo(24, 18);
    arrow.lineTo(24, 8);
    arrow.lineTo(44, 24);
    arrow.lineTo(24, 40);
    arrow.lineTo(24, 30);
    arrow.lineTo(4, 30);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(10, 110, 30), 2));
    p.setBrush(QColor(40, 180, 70));
    p.drawPath(arrow);
    return image;
}

// A document page with a coloured band and a letter drawn as strokes.
QImage documentPicture(const QColor &colour, const QList<QLineF> &letter)
{
    QImage image = canvas(256);
    QPainter p;
    beginPainter(p, image);
    QPainterPath page;
    page.moveTo(12, 3);
    page.lineTo(34, 3);
    page.lineTo(42, 11);
    page.lineTo(42, 45);
    page.lineTo(12, 45);
    page.closeSubpath();
    p.setPen(QPen(QColor(120, 120, 120), 0.8));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(colour.lighter(150), 1.2));
    for (int y = 16; y <= 40; y += 4)
        p.drawLine(QPointF(24, y), QPointF(38, y));
    p.setPen(QPen(colour.darker(130), 0.8));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(4, 12, 22, 24), 2, 2);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const QLineF &line : letter)
        p.drawLine(line);
    return image;
}

QImage wordPicture()
{
    return documentPicture(QColor(40, 90, 190),
                           { QLineF(8, 17, 10.5, 31), QLineF(10.5, 31, 15, 20),
                             QLineF(15, 20, 19.5, 31), QLineF(19.5, 31, 22, 17) });
}

QImage excelPicture()
{
    return documentPicture(QColor(30, 130, 70),
                           { QLineF(9, 17, 21, 31), QLineF(21, 17, 9, 31) });
}

QImage pdfPicture()
{
    return documentPicture(QColor(200, 40, 40),
                           { QLineF(10, 31, 10, 17), QLineF(10, 17, 17, 17), QLineF(17, 17, 20, 20),
                             QLineF(20, 20, 20, 22), QLineF(20, 22, 17, 25), QLineF(17, 25, 10, 25) });
}

// The tool's emblem: a dark rounded panel with dotted rings and the three
// phase arrows in their colours, 120 degrees apart.
struct Emblem
{
    QRectF panel;
    qreal corner;
    qreal ringStep;
    qreal arrowLength;
    qreal arrowWidth;
    qreal dotWidth;
};

void paintEmblem(QPainter &p, const Emblem &e)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 70));
    p.drawRoundedRect(e.panel, e.corner, e.corner);
    const QPointF centre = e.panel.center();
    p.setPen(QPen(QColor(192, 192, 192), e.dotWidth, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    for (int k = 1; k <= 4; ++k)
        p.drawEllipse(centre, e.ringStep * k, e.ringStep * k);
    const QColor colours[] = { Qt::yellow, Qt::green, Qt::red };
    for (int i = 0; i < 3; ++i) {
        const qreal angle = qDegreesToRadians(-90.0 + 120.0 * i);
        p.setPen(QPen(colours[i], e.arrowWidth, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre, centre + QPointF(qCos(angle), qSin(angle)) * e.arrowLength);
    }
}

// The wiring check: the emblem with a green tick over its lower right.
QImage checkPicture()
{
    QImage image = canvas(48);
    QPainter p(&image);
    paintEmblem(p, { QRectF(2, 2, 40, 40), 6, 4.5, 16, 2.4, 0.8 });
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tick[] = { QPointF(25, 35), QPointF(31, 41), QPointF(44, 26) };
    p.drawPolyline(tick, 3);
    p.setPen(QPen(QColor(30, 150, 60), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(tick, 3);
    return image;
}

// 打印: a printer with a sheet coming out of it.
QImage printPicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    p.setPen(QPen(QColor(110, 110, 110), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(13, 4, 22, 14)); // the sheet waiting
    p.setPen(QPen(QColor(50, 50, 50), 1.5));
    p.setBrush(QColor(90, 95, 105));
    p.drawRoundedRect(QRectF(4, 16, 40, 18), 4, 4);
    p.setBrush(QColor(60, 180, 80));
    p.drawEllipse(QPointF(37, 22), 2, 2);
    p.setPen(QPen(QColor(110, 110, 110), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(12, 28, 24, 16)); // the sheet printed
    p.setPen(QPen(QColor(20, 70, 180), 1.5));
    for (qreal y = 33; y < 43; y += 4)
        p.drawLine(QPointF(15, y), QPointF(33, y));
    return image;
}

// A sheet of rows and columns, its header row in the colour given; the
// table of all groups and, with a magnifier, the overview.
void paintSheet(QPainter &p, const QColor &header)
{
    p.setPen(QPen(QColor(110, 110, 110), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(5, 7, 38, 34), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(header);
    p.drawRect(QRectF(5.6, 7.6, 36.8, 7));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal y = 21; y < 41; y += 6.5)
        p.drawLine(QPointF(6, y), QPointF(42, y));
    for (qreal x = 17; x < 42; x += 12.5)
        p.drawLine(QPointF(x, 15), QPointF(x, 40));
}

QImage overviewPicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    paintSheet(p, QColor(20, 70, 180));
    p.setPen(QPen(QColor(60, 60, 60), 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(36, 36), QPointF(44, 44));
    p.setPen(QPen(QColor(60, 60, 60), 2.5));
    p.setBrush(QColor(200, 225, 255, 200));
    p.drawEllipse(QPointF(30, 30), 8, 8);
    return image;
}

QImage tablePicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    paintSheet(p, QColor(30, 130, 70));
    // an arrow out of the sheet: the export
    p.setPen(QPen(QColor(200, 120, 0), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(27, 33), QPointF(42, 33));
    const QPointF head[] = { QPointF(37, 27), QPointF(43, 33), QPointF(37, 39) };
    p.drawPolyline(head, 3);
    return image;
}

// A clock face: the readings of earlier days.
QImage historyPicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    disc(p, QColor(255, 230, 150), QColor(200, 140, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(24, 24), 15, 15);
    p.setPen(QPen(QColor(70, 70, 70), 1.5, Qt::SolidLine, Qt::RoundCap));
    for (int hour = 0; hour < 12; ++hour) {
        const qreal a = qDegreesToRadians(30.0 * hour);
        p.drawLine(QPointF(24 + 12 * qCos(a), 24 + 12 * qSin(a)), QPointF(24 + 14 * qCos(a), 24 + 14 * qSin(a)));
    }
    p.setPen(QPen(QColor(40, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 24), QPointF(24, 14));
    p.drawLine(QPointF(24, 24), QPointF(31, 28));
    return image;
}

// A question mark on a blue disc: 帮助. Drawn as a path, not a glyph.
QImage helpPicture()
{
    QImage image = canvas(48);
    QPainter p;
    beginPainter(p, image);
    disc(p, QColor(110, 170, 255), QColor(20, 70, 180));
    QPainterPath hook;
    hook.moveTo(17.5, 18.5);
    hook.cubicTo(17.5, 11, 31, 11, 31, 18.5);
    hook.cubicTo(31, 23, 24, 24, 24, 29);
    p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(24, 36), 2.8, 2.8);
    return image;
}

// Window icon: the emblem with a scale band below it.
QImage logoPicture()
{
    QImage image(926, 1000, QImage::Format_RGB32);
    image.fill(QColor(250, 250, 250));
    QPainter p(&image);
    paintEmblem(p, { QRectF(40, 40, 846, 846), 80, 90, 340, 26, 6 });
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 70, 180));
    p.drawRoundedRect(QRectF(40, 910, 846, 60), 30, 30);
    return image;
}

// The desktop icon: the emblem alone.
QImage desktopIcon()
{
    QImage image = canvas(256);
    QPainter p(&image);
    paintEmblem(p, { QRectF(8, 8, 240, 240), 36, 26, 100, 10, 2 });
    return image;
}

// A Windows icon file holding the picture at each size, every entry a PNG
// (which Windows reads since Vista), so that small sizes are not blurred
// from one large picture at run time.
bool writeIco(const QImage &picture, const QList<int> &sizes, const QString &path)
{
    QByteArray directory;
    QByteArray images;
    QDataStream head(&directory, QIODevice::WriteOnly);
    head.setByteOrder(QDataStream::LittleEndian);
    head << quint16(0) << quint16(1) << quint16(sizes.size());
    const quint32 firstOffset = 6 + 16 * quint32(sizes.size());
    for (const int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(&buffer, "PNG");
        // Width and height 0 stand for 256.
        head << quint8(size % 256) << quint8(size % 256) << quint8(0) << quint8(0) << quint16(1)
             << quint16(32) << quint32(png.size()) << quint32(firstOffset + images.size());
        images += png;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(directory + images) != directory.size() + images.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool write(const QImage &image, const QString &path, const char *format)
{
    if (!image.save(path, format, format == QByteArrayLiteral("JPG") ? 92 : -1)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Only draws into files, so it needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: draw_pictures <picture folder> [<desktop icon folder> [<Windows icon folder>]]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    ok &= write(logoPicture(), dir.filePath(QStringLiteral("logo.jpg")), "JPG");
    ok &= write(startPicture(), dir.filePath(QStringLiteral("start.png")), "PNG");
    ok &= write(redDiscPicture(true), dir.filePath(QStringLiteral("stop.png")), "PNG");
    ok &= write(downPicture(), dir.filePath(QStringLiteral("down.png")), "PNG");
    ok &= write(redDiscPicture(false), dir.filePath(QStringLiteral("del.png")), "PNG");
    ok &= write(savePicture(), dir.filePath(QStringLiteral("save.png")), "PNG");
    ok &= write(openPicture(), dir.filePath(QStringLiteral("open.png")), "PNG");
    ok &= write(goPicture(), dir.filePath(QStringLiteral("go.png")), "PNG");
    ok &= write(wordPicture(), dir.filePath(QStringLiteral("word.png")), "PNG");
    ok &= write(excelPicture(), dir.filePath(QStringLiteral("excel.png")), "PNG");
    ok &= write(pdfPicture(), dir.filePath(QStringLiteral("pdf.png")), "PNG");
    ok &= write(checkPicture(), dir.filePath(QStringLiteral("check.png")), "PNG");
    ok &= write(overviewPicture(), dir.filePath(QStringLiteral("overview.png")), "PNG");
    ok &= write(printPicture(), dir.filePath(QStringLiteral("print.png")), "PNG");
    ok &= write(tablePicture(), dir.filePath(QStringLiteral("table.png")), "PNG");
    ok &= write(historyPicture(), dir.filePath(QStringLiteral("history.png")), "PNG");
    ok &= write(helpPicture(), dir.filePath(QStringLiteral("help.png")), "PNG");
    if (argc >= 3) {
        const QDir iconDir(QString::fromLocal8Bit(argv[2]));
        ok &= QDir().mkpath(iconDir.path())
            && write(desktopIcon(), iconDir.filePath(QStringLiteral("datamanager.png")), "PNG");
    }
    if (argc == 4) {
        const QDir iconDir(QString::fromLocal8Bit(argv[3]));
        ok &= QDir().mkpath(iconDir.path())
            && writeIco(desktopIcon(), { 16, 24, 32, 48, 64, 256 }, iconDir.filePath(QStringLiteral("datamanager.ico")));
    }
    return ok ? 0 : 1;
}
