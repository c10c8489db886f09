#ifndef DIAGRAMFILE_H
#define DIAGRAMFILE_H

#include <QByteArray>
#include <QImage>

// "buffer.png" in the working directory: the 600 x 600 picture of the phasor
// diagram of the group shown last, rewritten at every group shown. Other
// programs may read it; the reports take their picture from memory.
namespace DiagramFile {

inline constexpr char FileName[] = "buffer.png";

// The picture as PNG bytes.
QByteArray encodePng(const QImage &picture);

// Replaces "buffer.png" with the picture; a reader never sees a half-written
// file. Returns false when the working directory cannot be written.
bool save(const QImage &picture);

} // namespace DiagramFile

#endif // DIAGRAMFILE_H
