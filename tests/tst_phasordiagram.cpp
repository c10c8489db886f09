// The phasor diagram found by sampling the pixels of painted pictures: where
// each arrow points in every orientation, where its tip ends between the
// rings, and the grid of the empty diagram.

#include "view/groupvalues.h"
#include "view/phasordiagram.h"

#include <QtTest>
#include <QtMath>

namespace {

enum Phase { Yellow, Green, Red, Grey, Background };

// Classifies a pixel of the diagram. Antialiased 1-pixel lines blend with
// the background, so half coverage must still count.
Phase classify(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (r > 140 && g > 140 && b < 60)
        return Yellow;
    if (g > 140 && r < 60 && b < 60)
        return Green;
    if (r > 140 && g < 60 && b < 60)
        return Red;
    if (qAbs(r - g) < 8 && qAbs(g - b) < 8 && r > 90)
        return Grey;
    return Background;
}

// True when a pixel of the phase lies within one pixel of the point.
bool phaseNear(const QImage &image, QPointF point, Phase phase)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint p(qRound(point.x()) + dx, qRound(point.y()) + dy);
            if (image.rect().contains(p) && classify(image.pixel(p)) == phase)
                return true;
        }
    return false;
}

// The point at radius r in the screen direction given in degrees clockwise
// from twelve o'clock.
QPointF polar(const PhasorDiagram::Geometry &g, double degrees, double r)
{
    const double a = qDegreesToRadians(degrees);
    return QPointF(g.cx + r * qSin(a), g.cy - r * qCos(a));
}

// Checks that an arrow of the phase runs in the direction up to its tip and
// stops there.
void verifyArrow(const QImage &image, double degrees, Phase phase)
{
    const PhasorDiagram::Geometry g(image.size());
    for (double r : { g.arrowLength * 0.3, g.arrowLength * 0.6, g.arrowLength - 3.0 })
        QVERIFY2(phaseNear(image, polar(g, degrees, r), phase),
                 qPrintable(QStringLiteral("no arrow at %1 degrees, radius %2").arg(degrees).arg(r)));
    // The tip lies between the fourth and the fifth ring.
    QVERIFY(g.arrowLength > 4 * g.ringStep && g.arrowLength < 5 * g.ringStep);
    // (The label text begins 5 pixels beyond the tip.)
    const QPointF beyond = polar(g, degrees, g.arrowLength + 2.5);
    QVERIFY2(classify(image.pixel(beyond.toPoint())) != phase,
             qPrintable(QStringLiteral("arrow at %1 degrees runs past its tip").arg(degrees)));
}

// True when an arrow of any colour covers a pixel within one pixel of the point.
bool colouredNear(const QImage &image, QPointF point)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QColor c(image.pixel(qRound(point.x()) + dx, qRound(point.y()) + dy));
            if (qMax(qAbs(c.red() - c.green()), qMax(qAbs(c.green() - c.blue()), qAbs(c.red() - c.blue()))) > 60)
                return true;
        }
    return false;
}

void verifyNoArrow(const QImage &image, double degrees, Phase phase)
{
    const PhasorDiagram::Geometry g(image.size());
    QVERIFY2(!phaseNear(image, polar(g, degrees, g.arrowLength * 0.6), phase),
             qPrintable(QStringLiteral("unexpected arrow at %1 degrees").arg(degrees)));
}

GroupValues anglesGroup(double wiringCode)
{
    GroupValues v;
    v.powerAngleA = 30;
    v.voltagePhaseAB = 120;
    v.voltagePhaseCA = 240;
    v.currentPhaseAB = 120;
    v.currentPhaseCA = 240;
    v.wiringCode = wiringCode;
    return v;
}

const QSize formLabel(431, 471);
const QSize reportCanvas(600, 600);

} // namespace

class PhasorDiagramTest : public QObject
{
    Q_OBJECT

private slots:
    void geometry_data();
    void geometry();
    void gridOfTheEmptyDiagram_data();
    void gridOfTheEmptyDiagram();
    void fourWireArrows_data();
    void fourWireArrows();
    void threeWireArrows_data();
    void threeWireArrows();
    void allAnglesZeroOverlap();
    void absurdAnglesStillPaint();
};

void PhasorDiagramTest::geometry_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    QTest::addColumn<int>("ringStep");
    QTest::addColumn<int>("arrowLength");
    QTest::newRow("form label") << formLabel << 215 << 235 << 43 << 200;
    QTest::newRow("report canvas") << reportCanvas << 300 << 300 << 60 << 285;
}

void PhasorDiagramTest::geometry()
{
    QFETCH(QSize, size);
    const PhasorDiagram::Geometry g(size);
    QTEST(g.cx, "cx");
    QTEST(g.cy, "cy");
    QTEST(g.ringStep, "ringStep");
    QTEST(g.arrowLength, "arrowLength");
}

void PhasorDiagramTest::gridOfTheEmptyDiagram_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("form label") << formLabel;
    QTest::newRow("report canvas") << reportCanvas;
}

void PhasorDiagramTest::gridOfTheEmptyDiagram()
{
    QFETCH(QSize, size);
    const QImage image = PhasorDiagram::paintBackground(size, PhasorDiagram::backgroundColour());
    QCOMPARE(image.size(), size);
    const PhasorDiagram::Geometry g(size);
    QCOMPARE(QColor(image.pixel(2, 2)), QColor(70, 70, 70));

    // Each of the five dotted rings: grey pixels on its circle, none half a
    // ring step away from it.
    for (int k = 1; k <= 5; ++k) {
        int onRing = 0, between = 0;
        for (int step = 0; step < 72; ++step) {
            const double degrees = 2.5 + step * 5.0;
            if (std::fmod(degrees + 10.0, 90.0) < 20.0)
                continue; // too close to the axes
            onRing += phaseNear(image, polar(g, degrees, k * g.ringStep), Grey);
            between += phaseNear(image, polar(g, degrees, (k - 0.5) * g.ringStep), Grey);
        }
        QVERIFY2(onRing > 24, qPrintable(QStringLiteral("ring %1: %2 of 72").arg(k).arg(onRing)));
        QVERIFY(onRing > 0);
        QCOMPARE(between, 0);
    }
    // The axes run through the centre across the whole picture.
    int axisDots = 0;
    for (int x = 0; x < size.width(); ++x)
        axisDots += classify(image.pixel(x, g.cy)) == Grey;
    QVERIFY(axisDots > size.width() / 4);
    int verticalDots = 0;
    for (int y = 0; y < size.height(); ++y)
        verticalDots += classify(image.pixel(g.cx, y)) == Grey;
    QVERIFY(verticalDots > size.height() / 4);
    // No arrows.
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QVERIFY(classify(image.pixel(x, y)) == Grey || classify(image.pixel(x, y)) == Background);
}

void PhasorDiagramTest::fourWireArrows_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<bool>("zeroAtTwelve");
    QTest::addColumn<double>("wiringCode");

    for (const QSize &size : { formLabel, reportCanvas }) {
        const char *where = size == formLabel ? "label" : "canvas";
        QTest::addRow("%s, clockwise, twelve", where) << size << true << true << 2.0;
        QTest::addRow("%s, counter-clockwise, twelve", where) << size << false << true << 2.0;
        QTest::addRow("%s, clockwise, three", where) << size << true << false << 2.0;
        QTest::addRow("%s, counter-clockwise, three", where) << size << false << false << 2.0;
    }
    // Every code but exactly 1 draws the four-wire picture.
    QTest::newRow("code 0") << reportCanvas << true << true << 0.0;
    QTest::newRow("code 3") << reportCanvas << true << true << 3.0;
    QTest::newRow("code 1.5") << reportCanvas << true << true << 1.5;
}

void PhasorDiagramTest::fourWireArrows()
{
    QFETCH(QSize, size);
    QFETCH(bool, clockwise);
    QFETCH(bool, zeroAtTwelve);
    QFETCH(double, wiringCode);

    const QImage image = PhasorDiagram::paintPhasors(size, PhasorDiagram::backgroundColour(),
                                                     QFont(), anglesGroup(wiringCode),
                                                     { clockwise, zeroAtTwelve });
    const double zero = zeroAtTwelve ? 0.0 : 90.0;
    const double d = clockwise ? 1.0 : -1.0;
    // Ua 0, Ia 30, Ub 120, Ib 150, Uc 240, Ic 270 (degrees in the chosen direction).
    verifyArrow(image, zero, Yellow);
    verifyArrow(image, zero + d * 30, Yellow);
    verifyArrow(image, zero + d * 120, Green);
    verifyArrow(image, zero + d * 150, Green);
    verifyArrow(image, zero + d * 240, Red);
    verifyArrow(image, zero + d * 270, Red);
    // The mirror image is empty: the direction setting really turns them.
    verifyNoArrow(image, zero - d * 30, Yellow);
    verifyNoArrow(image, zero - d * 120, Green);
    verifyNoArrow(image, zero - d * 150, Green);
}

void PhasorDiagramTest::threeWireArrows_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<bool>("zeroAtTwelve");
    for (const QSize &size : { formLabel, reportCanvas }) {
        const char *where = size == formLabel ? "label" : "canvas";
        QTest::addRow("%s, clockwise, twelve", where) << size << true << true;
        QTest::addRow("%s, counter-clockwise, twelve", where) << size << false << true;
        QTest::addRow("%s, clockwise, three", where) << size << true << false;
        QTest::addRow("%s, counter-clockwise, three", where) << size << false << false;
    }
}

void PhasorDiagramTest::threeWireArrows()
{
    QFETCH(QSize, size);
    QFETCH(bool, clockwise);
    QFETCH(bool, zeroAtTwelve);

    const QImage image = PhasorDiagram::paintPhasors(size, PhasorDiagram::backgroundColour(),
                                                     QFont(), anglesGroup(1.0),
                                                     { clockwise, zeroAtTwelve });
    // The whole picture sits 30 degrees counter-clockwise, whatever the direction.
    const double uab = (zeroAtTwelve ? 0.0 : 90.0) - 30.0;
    const double d = clockwise ? 1.0 : -1.0;
    verifyArrow(image, uab, Yellow);             // Uab
    verifyArrow(image, uab + d * 30, Yellow);    // Iab
    verifyArrow(image, uab + d * 240, Red);      // Ucb
    verifyArrow(image, uab + d * 270, Red);      // Icb
    // No phase B in the three-wire picture.
    for (double degrees = 0; degrees < 360; degrees += 10)
        verifyNoArrow(image, degrees, Green);
    verifyNoArrow(image, uab + 30 + 0.0 * d, Red);
}

void PhasorDiagramTest::allAnglesZeroOverlap()
{
    GroupValues v;
    v.wiringCode = 2;
    const QImage image = PhasorDiagram::paintPhasors(reportCanvas, PhasorDiagram::backgroundColour(),
                                                     QFont(), v, {});
    // All six arrows lie on one line to twelve o'clock, and nowhere else.
    const PhasorDiagram::Geometry g(reportCanvas);
    for (double r = 20; r < g.arrowLength; r += 20)
        QVERIFY(colouredNear(image, polar(g, 0, r)));
    for (double degrees = 20; degrees < 340; degrees += 20)
        QVERIFY(!colouredNear(image, polar(g, degrees, g.arrowLength * 0.6)));
}

void PhasorDiagramTest::absurdAnglesStillPaint()
{
    GroupValues v = anglesGroup(2);
    v.powerAngleA = std::numeric_limits<double>::infinity();
    v.voltagePhaseAB = std::numeric_limits<double>::quiet_NaN();
    const QImage image = PhasorDiagram::paintPhasors(reportCanvas, PhasorDiagram::backgroundColour(),
                                                     QFont(), v, {});
    QCOMPARE(image.size(), reportCanvas);
    // Uc is unaffected; the undefined angles fall back to the first arrow's direction.
    verifyArrow(image, 240, Red);
    const PhasorDiagram::Geometry g(reportCanvas);
    QVERIFY(colouredNear(image, polar(g, 0, g.arrowLength * 0.5)));

    // Angles above 360 simply turn further: 480 lands on 120.
    v = anglesGroup(2);
    v.voltagePhaseAB = 480;
    const QImage turned = PhasorDiagram::paintPhasors(reportCanvas, PhasorDiagram::backgroundColour(),
                                                      QFont(), v, {});
    verifyArrow(turned, 120, Green);
}

QTEST_MAIN(PhasorDiagramTest)
#include "tst_phasordiagram.moc"
