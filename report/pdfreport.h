#ifndef PDFREPORT_H
#define PDFREPORT_H

#include "analysis/wiringdiagnosis.h"
#include "view/phasordiagram.h"

#include <QFont>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <memory>

class QPdfWriter;

// The test report as a PDF document, one A4 page per group: the contents of
// the Word report of the group's wiring (the same cells, texts and units),
// the group's number in the heading, the phasor diagram drawn as shapes and
// the wiring diagnosis with the findings of the wiring check.
// Pages go to the file as they are made, so a document of many groups needs
// no more memory than one of a single group. The file appears, whole, only
// on commit(); until then any file already at the path stays as it was.
class PdfReport
{
public:
    // pictureFont: the font of the diagram's labels, as on the 600 x 600
    // picture of the other reports; window: the load angles the wiring
    // diagnosis assumes.
    PdfReport(const QString &path, PhasorDiagram::Orientation orientation, const QFont &pictureFont,
              WiringDiagnosis::LoadWindow window = WiringDiagnosis::LoadWindow::Inductive0To60);
    ~PdfReport();

    // Starts the document in a temporary file beside the path.
    bool open();
    // Adds the page of the group numbered groupNumber (第N组). A text with
    // too few fields gets a page that says so.
    void addPage(int groupNumber, const QString &groupText);
    // Ends the document and puts it in place of the file at the path.
    bool commit();
    // Drops the document; nothing is left behind.
    void cancel();

private:
    qreal pt(qreal points) const { return points * m_scale; }

    QSaveFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    PhasorDiagram::Orientation m_orientation;
    QFont m_pictureFont;
    WiringDiagnosis::LoadWindow m_window;
    qreal m_scale = 1.0; // device units per point
    bool m_pageStarted = false;
};

#endif // PDFREPORT_H
