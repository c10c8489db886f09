#ifndef REPORTFLOW_H
#define REPORTFLOW_H

#include "phasordiagram.h"
#include "reportpage.h"
#include "reportinfo.h"
#include "energyrefund.h"
#include "wiringdiagnosis.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

// The reports of one or more groups on paper, 导出PDF and 打印: which groups,
// 报告信息, then the file or the print preview. The pages are laid out by
// ReportPage, one per group.
class ReportFlow
{
public:
    // What the pages are made from: the list's groups, the diagram's
    // orientation and the load-angle window of each list row.
    struct Source
    {
        QStringList groups;
        PhasorDiagram::Orientation orientation;
        std::function<WiringDiagnosis::LoadWindow(int row)> windowFor;
        // The header of a row's page where the archive ties its group to a
        // meter; the one asked for in 报告信息 otherwise.
        std::function<std::optional<ReportInfo>(int row)> archivedInfo;
        // A PDF of these rows has been written.
        std::function<void(const QString &fileName, const QList<int> &rows)> written;
        // The meter's registers over the period read for a row, if any.
        std::function<std::optional<EnergyRefund::PeriodRegisters>(int row)> registersFor = {};
    };
    enum class Outcome { Written, Failed, Cancelled };

    ReportFlow(QWidget *parent, Source source);

    // The rows a report takes: the row given or, asked when there are more
    // groups, every group; nothing when the user cancels or the list is
    // empty (told under title). question: the box's text.
    std::optional<QList<int>> chooseRows(const QString &title, const QString &question, int currentRow) const;

    // A PDF of the rows: asks 报告信息 and the file, writes it, tells.
    void exportPdf(const QList<int> &rows) const;
    // The pages of the rows in a print preview, after 报告信息.
    void print(const QList<int> &rows) const;

    // The PDF of the rows (one page each, in this order) with the report
    // information, without the boxes. More than one page shows a progress
    // dialog, whose cancel leaves no file.
    Outcome writePdf(const QString &fileName, const QList<int> &rows, const ReportInfo &info) const;
    // The pages of the rows on the printer, as many as its page range takes.
    void paint(QPrinter &printer, const QList<int> &rows, const ReportInfo &info) const;

private:
    std::optional<EnergyRefund::PeriodRegisters> registersFor(int row) const
    {
        return m_source.registersFor ? m_source.registersFor(row) : std::nullopt;
    }
    // The page of a row: its meter's header, or info.
    ReportPage pageFor(int row, const ReportInfo &info) const;

    QWidget *m_parent;
    Source m_source;
};

#endif // REPORTFLOW_H
