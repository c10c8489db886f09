#include "reportflow.h"

#include "accuracysettings.h"
#include "pdfreport.h"
#include "prompts.h"
#include "reportinfodialog.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <memory>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ReportFlow", text);
}
} // namespace

ReportFlow::ReportFlow(QWidget *parent, Source source)
    : m_parent(parent)
    , m_source(std::move(source))
{
}

std::optional<QList<int>> ReportFlow::chooseRows(const QString &title, const QString &question, int currentRow) const
{
    const QStringList &groups = m_source.groups;
    if (!Prompts::groupsListed(m_parent, title, groups))
        return std::nullopt;
    QList<int> rows{ currentRow };
    if (groups.size() > 1) {
        QMessageBox box(QMessageBox::Question, title, question, QMessageBox::NoButton, m_parent);
        QPushButton *current = box.addButton(tr("当前组"), QMessageBox::AcceptRole);
        QPushButton *all = box.addButton(tr("全部组"), QMessageBox::AcceptRole);
        QPushButton *cancel = box.addButton(tr("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(current);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == all) {
            rows.clear();
            for (int row = 0; row < groups.size(); ++row)
                rows << row;
        } else if (box.clickedButton() != current) {
            return std::nullopt;
        }
    }
    return rows;
}

void ReportFlow::exportPdf(const QList<int> &rows) const
{
    const std::optional<ReportInfo> info = ReportInfoDialog::ask(m_parent, int(rows.size()));
    if (!info)
        return;
    const QString fileName = Prompts::saveFileName(m_parent, { tr("PDF文件 (*.pdf)") });
    if (fileName.isEmpty())
        return;
    const Outcome outcome = writePdf(fileName, rows, *info);
    if (outcome == Outcome::Written && m_source.written)
        m_source.written(fileName, rows);
    if (outcome != Outcome::Cancelled)
        Prompts::tellExported(m_parent, tr("测试报告"), fileName, outcome == Outcome::Written);
}

void ReportFlow::print(const QList<int> &rows) const
{
    const std::optional<ReportInfo> info = ReportInfoDialog::ask(m_parent, int(rows.size()));
    if (!info)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true); // the page lays out its own margins
    printer.setDocName(tr("测试报告"));
    QPrintPreviewDialog preview(&printer, m_parent);
    preview.setWindowTitle(tr("打印预览"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [this, rows, info = *info](QPrinter *target) { paint(*target, rows, info); });
    preview.exec();
}

ReportFlow::Outcome ReportFlow::writePdf(const QString &fileName, const QList<int> &rows, const ReportInfo &info) const
{
    // The groups are the source's copy: groups that arrive while the
    // progress dialog lets events in do not move the rows chosen.
    const QStringList &groups = m_source.groups;
    PdfReport report(fileName, ReportPage(m_source.orientation, info, loadAccuracy()), int(rows.size()));
    if (!report.open())
        return Outcome::Failed;

    std::unique_ptr<QProgressDialog> progress;
    if (rows.size() > 1) {
        progress = std::make_unique<QProgressDialog>(QString(), tr("取消"), 0, int(rows.size()), m_parent);
        progress->setWindowTitle(tr("导出PDF"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
    }
    for (int i = 0; i < rows.size(); ++i) {
        const int row = rows.at(i);
        if (progress) {
            // While shown, the dialog lets the window's events in here.
            progress->setLabelText(tr("正在导出第%1组…").arg(row + 1));
            progress->setValue(i);
            if (progress->wasCanceled())
                return Outcome::Cancelled; // the report drops its temporary file
        }
        if (row >= 0 && row < groups.size()) {
            report.setPage(pageFor(row, info));
            report.addPage(row + 1, groups.at(row), m_source.windowFor(row), registersFor(row));
        }
    }
    return report.commit() ? Outcome::Written : Outcome::Failed;
}

ReportPage ReportFlow::pageFor(int row, const ReportInfo &info) const
{
    const std::optional<ReportInfo> archived = m_source.archivedInfo ? m_source.archivedInfo(row) : std::nullopt;
    return ReportPage(m_source.orientation, archived.value_or(info), loadAccuracy());
}

void ReportFlow::paint(QPrinter &printer, const QList<int> &rows, const ReportInfo &info) const
{
    const QStringList &groups = m_source.groups;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    // A page range chosen in the print dialog prints those pages only, each
    // still numbered as in the whole report.
    const int first = printer.fromPage() > 0 ? printer.fromPage() : 1;
    const int last = printer.toPage() > 0 ? qMin(printer.toPage(), int(rows.size())) : int(rows.size());
    const qreal scale = printer.resolution() / 72.0;
    for (int k = first; k <= last; ++k) {
        if (k > first)
            printer.newPage();
        const int row = rows.at(k - 1);
        if (row >= 0 && row < groups.size())
            pageFor(row, info).paint(painter, scale, k, int(rows.size()), row + 1, groups.at(row), m_source.windowFor(row),
                                     registersFor(row));
    }
    painter.end();
}
