#include "pdfreport.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPdfWriter>

PdfReport::PdfReport(const QString &path, const ReportPage &page, int pageCount)
    : m_file(path)
    , m_page(page)
    , m_pageCount(pageCount)
{
}

PdfReport::~PdfReport()
{
    cancel();
}

bool PdfReport::open()
{
    if (!m_file.open(QIODevice::WriteOnly))
        return false;
    m_writer = std::make_unique<QPdfWriter>(&m_file);
    m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    m_writer->setTitle(QCoreApplication::translate("PdfReport", "测试报告"));
    m_writer->setCreator(QCoreApplication::translate("PdfReport", "数据管理软件"));
    if (!m_painter.begin(m_writer.get())) {
        cancel();
        return false;
    }
    return true;
}

void PdfReport::addPage(int groupNumber, const QString &groupText, WiringDiagnosis::LoadWindow window,
                        const std::optional<EnergyRefund::PeriodRegisters> &registers)
{
    if (!m_painter.isActive())
        return;
    if (m_pagesAdded > 0)
        m_writer->newPage();
    ++m_pagesAdded;
    m_page.paint(m_painter, m_writer->resolution() / 72.0, m_pagesAdded, m_pageCount, groupNumber,
                 groupText, window, registers);
}

bool PdfReport::commit()
{
    if (!m_painter.isActive())
        return false;
    // flush() is checked on its own, as saveWholeFile does: a commit after a
    // failed buffered write would put a truncated file in place.
    const bool ended = m_painter.end();
    m_writer.reset();
    if (ended && m_file.error() == QFileDevice::NoError && m_file.flush() && m_file.commit())
        return true;
    m_file.cancelWriting();
    return false;
}

void PdfReport::cancel()
{
    if (m_painter.isActive())
        m_painter.end();
    m_writer.reset();
    m_file.cancelWriting();
}
