#ifndef PAPERDIAGRAM_H
#define PAPERDIAGRAM_H

#include "phasordiagram.h"

class QPainter;
struct GroupValues;

// The phasor diagram of the report pages, made for paper: a white square
// in a grey frame with a grey grid, dark arrows in the phase colours and
// upright labels that stay inside the square. A voltage or current lost
// by the wiring check's shares is drawn dashed and labelled as lost.
namespace PaperDiagram {

// Paints the square of side points with its top left corner at the
// painter's origin; the device has scale units per point.
void paint(QPainter &painter, qreal side, qreal scale, const GroupValues &values,
           PhasorDiagram::Orientation orientation);

} // namespace PaperDiagram

#endif // PAPERDIAGRAM_H
