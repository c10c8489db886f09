#include "paperdiagram.h"

#include "wiringcheck.h"
#include "groupvalues.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace PaperDiagram {

namespace {

// Dark enough for toner, still told apart as yellow, green and red.
const QColor PhaseColours[] = { QColor(190, 140, 0), QColor(0, 150, 40), QColor(190, 20, 20) };
const QColor GridColour(200, 200, 200);
const QColor FrameColour(150, 150, 150);
constexpr qreal LabelPoints = 9;

struct Arrow
{
    QString label;
    int phase;
    double angle; // degrees from the first voltage's direction
    bool isVoltage;
    bool lost;
};

// The wiring check's rule: below its share of the highest, while the
// highest is above the floor.
bool isLost(double value, double highest, bool current)
{
    const double floor = current ? WiringCheck::CurrentFloor : WiringCheck::VoltageFloor;
    const double share = current ? WiringCheck::LostCurrentShare : WiringCheck::LostVoltageShare;
    return highest > floor && value < share * highest;
}

QList<Arrow> arrowsOf(const GroupValues &v)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("PaperDiagram", text); };
    QList<Arrow> arrows;
    if (v.isThreeWire()) {
        const double highU = std::max(v.voltageA, v.voltageC), highI = std::max(v.currentA, v.currentC);
        arrows = { { QStringLiteral("Uab"), 0, 0.0, true, isLost(v.voltageA, highU, false) },
                   { QStringLiteral("Iab"), 0, v.powerAngleA, false, isLost(v.currentA, highI, true) },
                   { QStringLiteral("Ucb"), 2, v.voltagePhaseCA, true, isLost(v.voltageC, highU, false) },
                   { QStringLiteral("Icb"), 2, v.powerAngleA + v.currentPhaseCA, false,
                     isLost(v.currentC, highI, true) } };
    } else {
        const double highU = std::max({ v.voltageA, v.voltageB, v.voltageC });
        const double highI = std::max({ v.currentA, v.currentB, v.currentC });
        arrows = { { QStringLiteral("Ua"), 0, 0.0, true, isLost(v.voltageA, highU, false) },
                   { QStringLiteral("Ia"), 0, v.powerAngleA, false, isLost(v.currentA, highI, true) },
                   { QStringLiteral("Ub"), 1, v.voltagePhaseAB, true, isLost(v.voltageB, highU, false) },
                   { QStringLiteral("Ib"), 1, v.powerAngleA + v.currentPhaseAB, false,
                     isLost(v.currentB, highI, true) },
                   { QStringLiteral("Uc"), 2, v.voltagePhaseCA, true, isLost(v.voltageC, highU, false) },
                   { QStringLiteral("Ic"), 2, v.powerAngleA + v.currentPhaseCA, false,
                     isLost(v.currentC, highI, true) } };
    }
    for (Arrow &arrow : arrows)
        if (arrow.lost)
            arrow.label += arrow.isVoltage ? tr("（失压）") : tr("（失流）");
    return arrows;
}

} // namespace

void paint(QPainter &p, qreal side, qreal scale, const GroupValues &values,
           PhasorDiagram::Orientation orientation)
{
    const auto pt = [scale](qreal points) { return points * scale; };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF square(0, 0, pt(side), pt(side));
    p.fillRect(square, Qt::white);

    // Room for the labels around the outer ring.
    const QPointF centre = square.center();
    const qreal radius = pt(side / 2 - 2.6 * LabelPoints);
    p.setPen(QPen(GridColour, pt(0.5)));
    p.setBrush(Qt::NoBrush);
    for (int k = 1; k <= 5; ++k)
        p.drawEllipse(centre, radius * k / 5, radius * k / 5);
    p.drawLine(QPointF(square.left(), centre.y()), QPointF(square.right(), centre.y()));
    p.drawLine(QPointF(centre.x(), square.top()), QPointF(centre.x(), square.bottom()));
    p.setPen(QPen(FrameColour, pt(0.8)));
    p.drawRect(square);

    QFont font = p.font();
    font.setPointSizeF(LabelPoints);
    font.setBold(true);
    p.setFont(font);
    const QFontMetricsF metrics(font, p.device());
    // Twelve o'clock turned clockwise by the angle, as the window draws it.
    const double base = (orientation.zeroAtTwelve ? 0.0 : 90.0) + (values.isThreeWire() ? 330.0 : 0.0);
    const double direction = orientation.clockwise ? 1.0 : -1.0;
    for (const Arrow &arrow : arrowsOf(values)) {
        const double angle = std::isfinite(arrow.angle) ? arrow.angle : 0.0;
        const double turn = qDegreesToRadians(base + direction * angle);
        const QPointF unit(std::sin(turn), -std::cos(turn));
        const qreal length = arrow.isVoltage ? radius : radius * 0.72;
        const QPointF tip = centre + unit * length;
        const QColor colour = PhaseColours[arrow.phase];
        p.setPen(QPen(colour, pt(arrow.isVoltage ? 1.4 : 1.0), arrow.lost ? Qt::DashLine : Qt::SolidLine,
                      Qt::FlatCap));
        p.drawLine(centre, tip - unit * pt(4));
        const QPointF normal(-unit.y(), unit.x());
        const QPointF head[] = { tip, tip - unit * pt(6) + normal * pt(2.5), tip - unit * pt(6) - normal * pt(2.5) };
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(head, 3);

        // Upright, beyond the tip, moved back inside the square where it
        // would cross its edge.
        const QSizeF size(metrics.horizontalAdvance(arrow.label), metrics.height());
        QPointF at = tip + unit * pt(LabelPoints * 0.8);
        QRectF box(at.x() - size.width() / 2 + unit.x() * size.width() / 2,
                   at.y() - size.height() / 2 + unit.y() * size.height() / 2, size.width(), size.height());
        const qreal inset = pt(1.5);
        box.moveLeft(std::clamp(box.left(), square.left() + inset, square.right() - inset - box.width()));
        box.moveTop(std::clamp(box.top(), square.top() + inset, square.bottom() - inset - box.height()));
        p.setPen(colour);
        p.drawText(box, Qt::AlignCenter, arrow.label);
    }
    p.restore();
}

} // namespace PaperDiagram
