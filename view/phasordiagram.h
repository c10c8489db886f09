#ifndef PHASORDIAGRAM_H
#define PHASORDIAGRAM_H

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>

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

// The empty diagram, the grid alone, on a canvas of the target's size; the
// window hands it to its label.
QImage drawDiagramBackground(QSize size, const QColor &background);

// The grid and the arrows of the values on a canvas of the target's size,
// labels in the target's font; the window hands it to its label and, for the
// report canvas, saves it as "buffer.png".
QImage drawPhasorDiagram(QSize size, const QColor &background, const QFont &font,
                         const GroupValues &values, Orientation orientation);

// The same picture painted with painter into the rectangle (0, 0, size) of
// its current coordinates, as shapes and text (e.g. scaled onto a PDF page).
// The font's size is taken in the painter's units.
void paintPhasors(QPainter &painter, QSize size, const QColor &background, const QFont &font,
                  const GroupValues &values, Orientation orientation);

} // namespace PhasorDiagram

#endif // PHASORDIAGRAM_H
