// The phasor diagram found by sampling the pixels of painted pictures: where
// each arrow points in every orientation, where it ends, and the grid.

#include "groupvalues.h"
#include "phasordiagram.h"
#include "windowdriver.h"

#include <QtMath>
#include <QtTest>

namespace {

// On the 600 x 600 canvas: centre (300, 300), arrows 285 long.
QPointF polar(double degreesFromTwelve, double radius)
{
    const double a = qDegreesToRadians(degreesFromTwelve);
    return QPointF(300 + radius * qSin(a), 300 - radius * qCos(a));
}

} // namespace

class PhasorDiagramTest : public QObject
{
    Q_OBJECT

private slots:
    void arrows_data();
    void arrows();
    void emptyGrid();
};

void PhasorDiagramTest::arrows_data()
{
    QTest::addColumn<double>("wiringCode");
    QTest::addColumn<bool>("clockwise");
    QTest::addColumn<bool>("zeroAtTwelve");
    QTest::addColumn<double>("angleFactor"); // scales the group's angles
    // Screen directions (degrees clockwise from twelve o'clock) and colours.
    QTest::addColumn<QList<int>>("expected");

    // Angles: power 30, Ua>Ub 120, Ua>Uc 240, Ia>Ib 120, Ia>Ic 240.
    QTest::newRow("four-wire") << 2.0 << true << true << 1.0
                               << QList<int>{ 0, Yellow, 30, Yellow, 120, Green, 150, Green,
                                              240, Red, 270, Red };
    // The window's orientation buttons turn four-wire pictures (the window test).
    // Three-wire: Uab, Iab, Ucb, Icb only, the whole picture 30 degrees back.
    QTest::newRow("three-wire") << 1.0 << true << true << 1.0
                                << QList<int>{ 330, Yellow, 0, Yellow, 210, Red, 240, Red };
    QTest::newRow("three-wire, counter-clockwise, zero at three")
        << 1.0 << false << false << 1.0
        << QList<int>{ 60, Yellow, 30, Yellow, 180, Red, 150, Red };
    QTest::newRow("any other wiring code is four-wire")
        << 3.0 << true << true << 1.0 << QList<int>{ 120, Green, 240, Red };
    // Ia>Ib adds up beyond a double: Ib is drawn where Ua points.
    QTest::newRow("overflowing angle") << 2.0 << true << true << 1e306
                                       << QList<int>{ 0, Green, 120, Green };
}

void PhasorDiagramTest::arrows()
{
    QFETCH(double, wiringCode);
    QFETCH(bool, clockwise);
    QFETCH(bool, zeroAtTwelve);
    QFETCH(double, angleFactor);
    QFETCH(QList<int>, expected);

    GroupValues v;
    v.powerAngleA = 30 * angleFactor;
    v.voltagePhaseAB = 120;
    v.voltagePhaseCA = 240;
    v.currentPhaseAB = 1.7e308 * (angleFactor > 1 ? 1 : 0) + 120;
    v.currentPhaseCA = 240;
    v.wiringCode = wiringCode;
    PhasorDiagram::Orientation orientation;
    orientation.clockwise = clockwise;
    orientation.zeroAtTwelve = zeroAtTwelve;
    const QImage image = PhasorDiagram::drawPhasorDiagram(QSize(600, 600), QColor(70, 70, 70),
                                                     QFont(), v, orientation);
    for (int i = 0; i < expected.size(); i += 2) {
        const int degrees = expected[i];
        for (double radius : { 60.0, 170.0, 282.0 })
            QVERIFY2(colourNear(image, polar(degrees, radius), Colour(expected[i + 1])),
                     qPrintable(QStringLiteral("no arrow %1 at %2 degrees, radius %3")
                                    .arg(i / 2).arg(degrees).arg(radius)));
        // It ends at its tip: the label starts 5 pixels further out.
        QVERIFY(!colourNear(image, polar(degrees, 287.5), Colour(expected[i + 1]), 0));
    }
}

void PhasorDiagramTest::emptyGrid()
{
    const QImage empty = PhasorDiagram::drawDiagramBackground(QSize(600, 600), QColor(70, 70, 70));
    // Dotted rings 60 pixels apart and dotted axes, antialiased: many ring
    // pixels are only partly covered. Between them, the background.
    int onRings = 0, partly = 0, onAxes = 0;
    for (int a = 0; a < 4 * 360; ++a) {
        const int grey = qRed(empty.pixel(polar(a, 60 * (1 + a / 360)).toPoint()));
        onRings += grey > 100;
        partly += grey > 75 && grey < 185;
    }
    for (int i = 0; i < 600; ++i)
        onAxes += (qRed(empty.pixel(300, i)) > 100) + (qRed(empty.pixel(i, 300)) > 100);
    QVERIFY2(onRings > 300 && partly > 200 && onAxes > 300,
             qPrintable(QStringLiteral("%1 %2 %3").arg(onRings).arg(partly).arg(onAxes)));
    QCOMPARE(empty.pixel(150, 150), QColor(70, 70, 70).rgb());
}

QTEST_MAIN(PhasorDiagramTest)
#include "tst_phasordiagram.moc"
