#include "archivedialog.h"

#include "archiveconnection.h"
#include "archivequery.h"
#include "archivestore.h"
#include "groupsummary.h"
#include "groupverdict.h"
#include "historyplot.h"
#include "prompts.h"
#include "wholefile.h"
#include "serverconnection.h"
#include "serverquery.h"
#include "tableexport.h"
#include "wiringdiagnosis.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString systemText(int wiringCode)
{
    GroupValues values;
    values.wiringCode = wiringCode;
    return wiringSystemText(values);
}

QString powerText(double watts)
{
    return std::isnan(watts) ? QString() : QString::number(watts, 'f', 2);
}

QTableWidget *table(const QString &objectName, const QStringList &headers, QWidget *parent)
{
    auto *table = new QTableWidget(0, int(headers.size()), parent);
    table->setObjectName(objectName);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

ArchiveDialog::ArchiveDialog(ArchiveConnection &connection, QWidget *parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_search(new QLineEdit(this))
    , m_byDate(new QCheckBox(tr("检测日期从"), this))
    , m_from(new QDateEdit(QDate::currentDate().addYears(-1), this))
    , m_to(new QDateEdit(QDate::currentDate(), this))
    , m_wrongOnly(new QCheckBox(tr("只看接线错误"), this))
    , m_results(table(QStringLiteral("results"),
                      { tr("检测日期"), tr("户名"), tr("户号"), tr("表号"), tr("接线方式"), tr("结论"), tr("K"), tr("ΣP(W)") }, this))
    , m_historyTitle(new QLabel(this))
    , m_history(table(QStringLiteral("meterHistory"), { tr("检测日期"), tr("接线方式"), tr("结论"), tr("K"), tr("ΣP(W)") }, this))
    , m_plot(new QLabel(this))
    , m_note(new QLabel(this))
    , m_typing(new QTimer(this))
{
    setWindowTitle(tr("档案"));
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(tr("户号、户名、表号、安装地点或检测人的任一部分"));
    m_search->setClearButtonEnabled(true);
    m_byDate->setObjectName(QStringLiteral("byDate"));
    m_wrongOnly->setObjectName(QStringLiteral("wrongOnly"));
    for (QDateEdit *date : { m_from, m_to }) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setEnabled(false);
        connect(date, &QDateEdit::dateChanged, this, &ArchiveDialog::search);
    }
    m_from->setObjectName(QStringLiteral("from"));
    m_to->setObjectName(QStringLiteral("to"));
    m_plot->setObjectName(QStringLiteral("plot"));
    m_plot->setMinimumSize(360, 180);
    m_note->setObjectName(QStringLiteral("note"));

    // Typing searches once it pauses.
    m_typing->setSingleShot(true);
    m_typing->setInterval(250);
    connect(m_typing, &QTimer::timeout, this, &ArchiveDialog::search);
    connect(m_search, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_search, &QLineEdit::returnPressed, this, &ArchiveDialog::search);
    connect(m_byDate, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        search();
    });
    connect(m_wrongOnly, &QCheckBox::toggled, this, &ArchiveDialog::search);
    connect(m_results, &QTableWidget::itemSelectionChanged, this, &ArchiveDialog::showHistory);
    connect(m_results, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        if (row >= 0 && row < m_found.size())
            emit openRequested({ m_found.at(row).groupText }, 0);
    });
    connect(m_history, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        QStringList groups;
        for (const Archive::TestRow &visit : std::as_const(m_visits))
            groups << visit.groupText;
        emit openRequested(groups, row);
    });

    auto *filters = new QHBoxLayout;
    filters->addWidget(m_search, 1);
    filters->addWidget(m_byDate);
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(tr("到"), this));
    filters->addWidget(m_to);
    filters->addWidget(m_wrongOnly);

    auto *historyPane = new QWidget(this);
    auto *historyLayout = new QHBoxLayout(historyPane);
    historyLayout->setContentsMargins(0, 0, 0, 0);
    historyLayout->addWidget(m_history, 3);
    historyLayout->addWidget(m_plot, 2);
    auto *lower = new QWidget(this);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_historyTitle);
    lowerLayout->addWidget(historyPane);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_results);
    splitter->addWidget(lower);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *open = buttons->addButton(tr("打开"), QDialogButtonBox::ActionRole);
    QPushButton *tie = buttons->addButton(tr("关联电能表"), QDialogButtonBox::ActionRole);
    QPushButton *exportTable = buttons->addButton(tr("导出表格"), QDialogButtonBox::ActionRole);
    QPushButton *keptReport = buttons->addButton(tr("存档报告"), QDialogButtonBox::ActionRole);
    keptReport->setObjectName(QStringLiteral("keptReport"));
    keptReport->setToolTip(tr("把选中检测的报告按当时给客户的原样（逐字节）另存一份"));
    connect(keptReport, &QPushButton::clicked, this, &ArchiveDialog::saveKeptReport);
    open->setObjectName(QStringLiteral("open"));
    tie->setObjectName(QStringLiteral("tie"));
    exportTable->setObjectName(QStringLiteral("exportTable"));
    connect(open, &QPushButton::clicked, this, [this] {
        const QStringList groups = chosenGroups();
        if (!groups.isEmpty())
            emit openRequested(groups, 0);
    });
    connect(tie, &QPushButton::clicked, this, [this] {
        const QStringList groups = chosenGroups();
        if (!groups.isEmpty())
            emit tieRequested(groups);
    });
    connect(exportTable, &QPushButton::clicked, this, [this] {
        QStringList groups;
        for (const Archive::TestRow &row : std::as_const(m_found))
            groups << row.groupText;
        TableExport::run(this, groups);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    resize(1000, 680);
    search();
}

void ArchiveDialog::fill(QTableWidget *table, const QList<Archive::TestRow> &rows, bool withMeter)
{
    table->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const Archive::TestRow &test = rows.at(row);
        QString verdict = test.verdict;
        if (test.voided)
            verdict = tr("作废（%1）：%2").arg(test.voidReason, verdict);
        else if (test.correctedOn.isValid())
            verdict = tr("接线已更正（%1）：%2").arg(test.correctedOn.toString(Qt::ISODate), verdict);
        QStringList texts{ test.date.toString(Qt::ISODate) };
        if (withMeter)
            texts << test.meter.details.customer << test.meter.details.accountNo << test.meter.details.meterNo;
        texts << systemText(test.wiringCode) << verdict << WiringDiagnosis::kText(test.k) << powerText(test.activePower);
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QTableWidgetItem(texts.at(column));
            if (column == texts.size() - 3)
                item->setForeground(test.voided ? QColor(128, 128, 128)
                                                : severityColour(WiringCheck::Severity(test.severity)));
            table->setItem(row, column, item);
        }
    }
    table->resizeColumnsToContents();
}

void ArchiveDialog::setServer(ServerConnection *server, const QString &why)
{
    m_server = server;
    m_serverProblem = why;
    search();
}

void ArchiveDialog::search()
{
    ArchiveQuery::Filter filter;
    filter.text = m_search->text();
    if (m_byDate->isChecked()) {
        filter.from = m_from->date();
        filter.to = m_to->date();
    }
    filter.wrongOnly = m_wrongOnly->isChecked();
    QElapsedTimer timer;
    timer.start();
    QString error;
    m_onServer = false;
    QString why = m_serverProblem;
    if (m_server && (m_server->isOpen() || m_server->open())) {
        ServerQuery query(*m_server);
        m_found = query.search(filter);
        m_onServer = query.error().isEmpty();
        why = query.error();
        if (!m_onServer)
            m_server->close(); // opened anew next time
    } else if (m_server) {
        why = m_server->error();
    }
    if (!m_onServer) {
        ArchiveQuery query(m_connection);
        timer.restart();
        m_found = query.search(filter);
        error = query.error();
    }
    const qint64 ms = timer.elapsed();
    fill(m_results, m_found, true);
    const QString where = m_onServer ? tr("部门服务器（所有人的检测）")
                          : why.isEmpty() ? tr("本机档案") : tr("本机档案（服务器无法连接：%1）").arg(why);
    if (!error.isEmpty())
        m_note->setText(error);
    else
        m_note->setText(tr("%1：找到%2项%3（%4毫秒）").arg(where).arg(m_found.size())
                            .arg(m_found.size() >= filter.limit ? tr("，只列出最新的%1项").arg(filter.limit) : QString())
                            .arg(ms));
    if (!m_found.isEmpty())
        m_results->selectRow(0);
    else
        showHistory();
}

void ArchiveDialog::showHistory()
{
    const int row = m_results->currentRow();
    const QString meterUid = row >= 0 && row < m_found.size() ? m_found.at(row).meter.uid : QString();
    // From where the search found the meter.
    if (meterUid.isEmpty())
        m_visits.clear();
    else if (m_onServer && m_server->isOpen())
        m_visits = ServerQuery(*m_server).history(meterUid);
    else
        m_visits = ArchiveQuery(m_connection).history(meterUid);
    if (meterUid.isEmpty()) {
        m_historyTitle->setText(row >= 0 ? tr("此次检测未关联电能表。") : QString());
    } else {
        const Archive::MeterDetails &meter = m_found.at(row).meter.details;
        m_historyTitle->setText(tr("电能表 %1（户号%2，%3，%4）的历次检测，共%5次：")
                                    .arg(meter.meterNo, meter.accountNo, meter.customer, meter.site)
                                    .arg(m_visits.size()));
    }
    fill(m_history, m_visits, false);
    QList<HistoryPlot::Visit> visits;
    for (const Archive::TestRow &visit : std::as_const(m_visits))
        if (!visit.voided)
            visits << HistoryPlot::Visit{ visit.date, visit.activePower, visit.k };
    m_plot->setPixmap(QPixmap::fromImage(HistoryPlot::draw(m_plot->size(), font(), visits)));
}

void ArchiveDialog::saveKeptReport()
{
    const QString title = tr("存档报告");
    const QStringList groups = chosenGroups();
    if (groups.isEmpty())
        return;
    // Kept where the report was written: in this computer's archive.
    ArchiveQuery query(m_connection);
    const QList<Archive::KeptReport> kept = query.reportsOf(ArchiveStore::readingUid(groups.first()));
    if (kept.isEmpty()) {
        Prompts::tell(this, title, tr("此次检测没有存档的报告！"), query.error());
        return;
    }
    const std::optional<QByteArray> pdf = query.reportPdf(kept.first().id);
    if (!pdf) {
        Prompts::tell(this, title, tr("存档的报告无法取出！"), query.error());
        return;
    }
    const QString fileName = Prompts::saveFileName(this, { tr("PDF文件 (*.pdf)") });
    if (!fileName.isEmpty())
        Prompts::tellExported(this, title, fileName, saveWholeFile(fileName, *pdf));
}

QStringList ArchiveDialog::chosenGroups() const
{
    const bool inHistory = m_history->hasFocus() && !m_history->selectionModel()->selectedRows().isEmpty();
    const QTableWidget *table = inHistory ? m_history : m_results;
    const QList<Archive::TestRow> &rows = inHistory ? m_visits : m_found;
    QList<int> chosen;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        chosen << index.row();
    std::sort(chosen.begin(), chosen.end());
    QStringList groups;
    for (int row : std::as_const(chosen))
        if (row < rows.size())
            groups << rows.at(row).groupText;
    return groups;
}
