#ifndef PDFREPORT_H
#define PDFREPORT_H

#include "reportpage.h"

#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <memory>

class QPdfWriter;

// The test report as a PDF document, one A4 page per group, laid out by
// ReportPage. Pages go to the file as they are made, so a document of many
// groups needs no more memory than one of a single group. The file appears,
// whole, only on commit(); until then any file already at the path stays as
// it was.
class PdfReport
{
public:
    // pageCount: the pages the document will have, for 第k页 共n页.
    PdfReport(const QString &path, const ReportPage &page, int pageCount);
    ~PdfReport();

    // Starts the document in a temporary file beside the path.
    bool open();
    // The layout of the pages added from now on (another header, say).
    void setPage(const ReportPage &page) { m_page = page; }
    // Adds the next page, of the group numbered groupNumber (第N组),
    // diagnosed under window.
    void addPage(int groupNumber, const QString &groupText,
                 WiringDiagnosis::LoadWindow window = WiringDiagnosis::LoadWindow::Inductive0To60,
                 const std::optional<EnergyRefund::PeriodRegisters> &registers = std::nullopt);
    // Ends the document and puts it in place of the file at the path.
    bool commit();
    // Drops the document; nothing is left behind.
    void cancel();

private:
    QSaveFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    ReportPage m_page;
    int m_pageCount;
    int m_pagesAdded = 0;
};

#endif // PDFREPORT_H
