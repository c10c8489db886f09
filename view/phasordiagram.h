#ifndef PHASORDIAGRAM_H
#define PHASORDIAGRAM_H

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>

class QLabel;
class QPainter;
struct GroupValues;

// The phasor diagram: one arrow per voltage and current of equal length,
// turned by the group's angles, over a dotted polar grid.
namespace PhasorDiagram {

// The two orientation choices of the diagram.
struct Orientation
{
    bool clockwise = true;      // positive angles turn clockwise
    bool zeroAtTwelve = true;   // zero degrees at twelve o'clock, else three
};

// Every diagram in the tool is painted on this background.
inline QColor backgroundColour() { return QColor(70, 70, 70, 255); }

// Picture geometry, in whole pixels as the drawing uses them.
struct Geometry
{
    explicit Geometry(QSize size);
    int cx, cy;     // centre
    int ringStep;   // radius of the innermost of the five rings
    int arrowLength;
};

// Paints only the grid: the empty diagram.
QImage paintBackground(QSize size, const QColor &background);

// Paints the grid and the arrows of the values. Labels are written in font.
QImage paintPhasors(QSize size, const QColor &background, const QFont &font,
                     const GroupValues &values, Orientation orientation);

// Paints the empty diagram at the label's size and hands it to the label.
void drawDiagramBackground(QLabel *label, const QColor &background);

// The same picture painted with painter into the rectangle (0, 0, size) of
// its current coordinates, as shapes and text (e.g. scaled onto a PDF page).
// The font's size is taken in the painter's units.
void paintPhasors(QPainter &painter, QSize size, const QColor &background, const QFont &font,
                  const GroupValues &values, Orientation orientation);

// Paints the values' diagram at the label's size in the label's font and
// hands it to the label; returns the picture.
QImage drawPhasorDiagram(QLabel *label, const QColor &background,
                          const GroupValues &values, Orientation orientation);

} // namespace PhasorDiagram

#endif // PHASORDIAGRAM_H
