#include "historyplot.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace HistoryPlot {

namespace {

struct Range
{
    double low = 0, high = 1;
    void take(double value)
    {
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

} // namespace

QImage draw(QSize size, const QFont &font, const QList<Visit> &visits)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QRectF plot(metrics.horizontalAdvance(QStringLiteral("-0000.0")) + 8, metrics.height() + 6,
                      size.width() - 2 * metrics.horizontalAdvance(QStringLiteral("-00.00")) - 24,
                      size.height() - 2 * metrics.height() - 14);
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(plot);
    const QColor powerColour(30, 90, 200), kColour(220, 120, 0);
    painter.setPen(powerColour);
    painter.drawText(QPointF(4, metrics.ascent() + 2), QCoreApplication::translate("HistoryPlot", "ΣP(kW)"));
    painter.setPen(kColour);
    const QString kTitle = QCoreApplication::translate("HistoryPlot", "K");
    painter.drawText(QPointF(size.width() - metrics.horizontalAdvance(kTitle) - 4, metrics.ascent() + 2), kTitle);
    if (visits.isEmpty() || plot.width() <= 0 || plot.height() <= 0)
        return image;

    // The scales hold 0 and 1 (K of a correct meter), and every finite value.
    Range power, k;
    for (const Visit &visit : visits) {
        if (std::isfinite(visit.activePower))
            power.take(visit.activePower / 1000);
        if (std::isfinite(visit.k))
            k.take(visit.k);
    }
    const auto x = [&](int i) {
        return visits.size() == 1 ? plot.center().x() : plot.left() + plot.width() * i / (visits.size() - 1);
    };
    const auto y = [&](const Range &range, double value) {
        const double span = range.high - range.low;
        return plot.bottom() - plot.height() * (value - range.low) / (span > 0 ? span : 1);
    };
    painter.setPen(QColor(120, 120, 120));
    for (const Range *range : { &power, &k }) {
        const bool left = range == &power;
        for (double value : { range->low, range->high }) {
            const QString text = QString::number(value, 'f', left ? 1 : 2);
            const double tx = left ? plot.left() - metrics.horizontalAdvance(text) - 4 : plot.right() + 4;
            painter.drawText(QPointF(tx, y(*range, value) + metrics.ascent() / 2.0), text);
        }
    }
    // The first and last dates under the plot.
    painter.drawText(QPointF(plot.left(), size.height() - 4), visits.first().date.toString(Qt::ISODate));
    const QString last = visits.last().date.toString(Qt::ISODate);
    painter.drawText(QPointF(plot.right() - metrics.horizontalAdvance(last), size.height() - 4), last);

    for (const bool isPower : { true, false }) {
        const QColor colour = isPower ? powerColour : kColour;
        painter.setPen(QPen(colour, 2));
        painter.setBrush(colour);
        QPainterPath line;
        bool started = false;
        for (int i = 0; i < visits.size(); ++i) {
            const double value = isPower ? visits.at(i).activePower / 1000 : visits.at(i).k;
            if (!std::isfinite(value)) { // not known, or the meter stopped: a gap, marked at the top
                if (!isPower && std::isinf(value))
                    painter.drawText(QPointF(x(i) - 4, plot.top() + metrics.ascent()), QStringLiteral("∞"));
                started = false;
                continue;
            }
            const QPointF point(x(i), y(isPower ? power : k, value));
            if (started)
                line.lineTo(point);
            else
                line.moveTo(point);
            started = true;
            painter.drawEllipse(point, 3, 3);
        }
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
    }
    return image;
}

} // namespace HistoryPlot
