#include "phasordiagram.h"

#include "groupvalues.h"

#include <QCoreApplication>
#include <QPainter>
#include <cmath>

namespace PhasorDiagram {

namespace {

struct Arrow
{
    const char *label;
    Qt::GlobalColor colour;
    double angle; // degrees from the first arrow's direction
    bool isVoltage;
};

void paintGrid(QPainter &painter, QSize size)
{
    const Geometry g(size);
    painter.setPen(QPen(QColor(Qt::lightGray), 1.0, Qt::DotLine, Qt::RoundCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(0, g.cy, size.width(), g.cy);
    painter.drawLine(g.cx, 0, g.cx, size.height());
    for (int k = 1; k <= 5; ++k) {
        const int r = k * g.ringStep;
        painter.drawEllipse(g.cx - r, g.cy - r, 2 * r, 2 * r);
    }
}

// A NaN or infinite angle (from absurd readings) would poison the painter's
// transformation; such an arrow is drawn at the first arrow's direction.
double usableAngle(double degrees)
{
    return std::isfinite(degrees) ? degrees : 0.0;
}

void paintArrow(QPainter &painter, const Arrow &arrow, int length, double direction)
{
    painter.save();
    painter.rotate(usableAngle(direction * arrow.angle));
    painter.setPen(QPen(QColor(arrow.colour), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin));
    painter.drawLine(QPointF(0, 0), QPointF(0, -length));
    const QPointF head[] = { QPointF(0, -length), QPointF(-2, -length + 2),
                             QPointF(2, -length + 2) };
    painter.drawPolygon(head, 3);
    const QString text = QCoreApplication::translate("PhasorDiagram", arrow.label);
    painter.drawText(QPointF(arrow.isVoltage ? -10 : -5, -length - 5), text);
    painter.restore();
}

void paintArrows(QPainter &painter, QSize size, const GroupValues &v, Orientation orientation)
{
    const Geometry g(size);
    painter.translate(g.cx, g.cy);
    if (!orientation.zeroAtTwelve)
        painter.rotate(90); // the unturned arrow points to twelve o'clock
    const double direction = orientation.clockwise ? 1.0 : -1.0;

    if (v.isThreeWire()) {
        // Line quantities: the three-wire picture sits 30 degrees back.
        painter.rotate(330);
        const Arrow arrows[] = {
            { "Uab", Qt::yellow, 0.0, true },
            { "Iab", Qt::yellow, v.powerAngleA, false },
            { "Ucb", Qt::red, v.voltagePhaseCA, true },
            { "Icb", Qt::red, v.powerAngleA + v.currentPhaseCA, false },
        };
        for (const Arrow &arrow : arrows)
            paintArrow(painter, arrow, g.arrowLength, direction);
    } else {
        const Arrow arrows[] = {
            { "Ua", Qt::yellow, 0.0, true },
            { "Ia", Qt::yellow, v.powerAngleA, false },
            { "Ub", Qt::green, v.voltagePhaseAB, true },
            { "Ib", Qt::green, v.powerAngleA + v.currentPhaseAB, false },
            { "Uc", Qt::red, v.voltagePhaseCA, true },
            { "Ic", Qt::red, v.powerAngleA + v.currentPhaseCA, false },
        };
        for (const Arrow &arrow : arrows)
            paintArrow(painter, arrow, g.arrowLength, direction);
    }
}

QImage blankCanvas(QSize size, const QColor &background)
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(background);
    return canvas;
}

void setUpPainter(QPainter &painter, const QFont &font)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
}

} // namespace

Geometry::Geometry(QSize size)
    : cx(size.width() / 2)
    , cy(size.height() / 2)
    , ringStep(qMin(size.width(), size.height()) / 10)
    , arrowLength(qMin(size.width(), size.height()) / 2 - 15)
{
}

QImage drawDiagramBackground(QSize size, const QColor &background)
{
    QImage canvas = blankCanvas(size, background);
    QPainter painter(&canvas);
    setUpPainter(painter, QFont());
    paintGrid(painter, size);
    return canvas;
}

QImage drawPhasorDiagram(QSize size, const QColor &background, const QFont &font,
                         const GroupValues &values, Orientation orientation)
{
    QImage canvas = blankCanvas(size, background);
    QPainter painter(&canvas);
    setUpPainter(painter, font);
    paintGrid(painter, size);
    paintArrows(painter, size, values, orientation);
    return canvas;
}

void paintPhasors(QPainter &painter, QSize size, const QColor &background, const QFont &font,
                  const GroupValues &values, Orientation orientation)
{
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), size), background);
    setUpPainter(painter, font);
    paintGrid(painter, size);
    paintArrows(painter, size, values, orientation);
    painter.restore();
}

} // namespace PhasorDiagram
