#ifndef HISTORYPLOT_H
#define HISTORYPLOT_H

#include <QDate>
#include <QFont>
#include <QImage>
#include <QList>
#include <QSize>

// A meter's visits as a picture: ΣP (kW, left scale, blue) and the
// correction factor K (right scale, orange) at each test, oldest to newest,
// drawn with QPainter like the phasor diagram.
namespace HistoryPlot {

struct Visit
{
    QDate date;
    double activePower; // W; not a number when not known
    double k;           // not a number when not known; infinite: the meter stopped
};

QImage draw(QSize size, const QFont &font, const QList<Visit> &visits);

} // namespace HistoryPlot

#endif // HISTORYPLOT_H
