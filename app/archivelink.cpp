#include "archivelink.h"

#include "archivedialog.h"
#include "archivequery.h"
#include "archivestore.h"
#include "archivewriter.h"
#include "datafile.h"
#include "historydialog.h"
#include "meterdialog.h"
#include "prompts.h"
#include "readingarchive.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QToolButton>
#include <QListWidget>
#include <QStyle>

ArchiveLink::ArchiveLink(Window window, const QString &path)
    : QObject(window.widget)
    , m_window(std::move(window))
    , m_path(path)
    , m_writer(new ArchiveWriter(path, ReadingArchive::folder(), this))
{
    connect(m_writer, &ArchiveWriter::stateChanged, this, &ArchiveLink::showState);
    connect(m_writer, &ArchiveWriter::stored, this, &ArchiveLink::markKnown);
    connect(m_writer, &ArchiveWriter::readStored, this, &ArchiveLink::changed);
    showState(QString(), 0);

    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    const auto add = [this](const QString &name, const QString &text, const QKeySequence &keys, auto slot) {
        auto *action = new QAction(text, m_window.widget);
        action->setObjectName(name);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        m_actions << action;
        return action;
    };
    add(QStringLiteral("action_archive"), tr("档案查询"), QKeySequence(Qt::CTRL | Qt::Key_D), &ArchiveLink::openArchiveWindow)
        ->setIcon(icon);
    add(QStringLiteral("action_tie_meter"), tr("关联电能表"), QKeySequence(Qt::CTRL | Qt::Key_M), [this] {
        const QStringList groups = m_window.groups();
        const int row = m_window.currentRow();
        if (!Prompts::groupsListed(m_window.widget, tr("关联电能表"), groups))
            return;
        tie({ groups.value(row) });
    });
    add(QStringLiteral("action_import_archive"), tr("导入档案"), QKeySequence(), &ArchiveLink::importFile);
    add(QStringLiteral("action_check_archive"), tr("校验档案"), QKeySequence(), &ArchiveLink::checkChain);
}

ArchiveLink::~ArchiveLink() = default;

ArchiveConnection *ArchiveLink::connection(const QString &title)
{
    if (openQuietly())
        return m_connection.get();
    Prompts::tell(m_window.widget, title, tr("档案无法打开！"), m_openError);
    return nullptr;
}

void ArchiveLink::setStateButton(QToolButton *button)
{
    m_button = button;
    showState(m_problem, 0);
}

void ArchiveLink::setStateText(const QString &text)
{
    m_stateText = text;
    emit stateChanged(text, !m_problem.isEmpty());
    if (!m_button)
        return;
    m_button->setToolTip(tr("档案查询、历史读取、关联电能表、导入档案、校验档案\n%1").arg(text));
    m_button->setIcon(QApplication::style()->standardIcon(m_problem.isEmpty() ? QStyle::SP_DriveHDIcon
                                                                               : QStyle::SP_MessageBoxWarning));
}

void ArchiveLink::showState(const QString &problem, int waiting)
{
    const bool newProblem = !problem.isEmpty() && m_problem.isEmpty();
    m_problem = problem;
    if (problem.isEmpty()) {
        setStateText(tr("档案：%1").arg(QDir::toNativeSeparators(m_path)));
        return;
    }
    // Nothing is lost: the copies of readings hold what waits, and it is
    // taken in by itself once the archive can be written.
    const QString kept = tr("读取的数据已另存在 %1，档案恢复可写后自动存入。").arg(QDir::toNativeSeparators(ReadingArchive::folder()));
    setStateText((waiting > 0 ? tr("档案暂时无法写入，%1组待存入：").arg(waiting) : tr("档案暂时无法写入："))
                 + problem + u'\n' + kept);
    if (newProblem) { // told once, in a box that holds up nothing
        auto *box = new QMessageBox(QMessageBox::Warning, tr("档案"), tr("档案暂时无法写入！"), QMessageBox::Ok, m_window.widget);
        box->setObjectName(QStringLiteral("archiveProblem"));
        box->setInformativeText(problem + u'\n' + kept);
        box->setModal(false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
}

void ArchiveLink::readBegun()
{
    m_writer->beginRead();
    m_listedRead = m_writer->readUid();
    m_newGroups = m_knownGroups = 0;
}

void ArchiveLink::groupArrived(const QString &group)
{
    m_writer->add(group);
}

void ArchiveLink::arrivalHandled(const QString &copyName)
{
    m_writer->arrivalHandled(QFileInfo(copyName).fileName());
}

void ArchiveLink::readFinished(const QString &copyName)
{
    m_writer->arrivalHandled(QFileInfo(copyName).fileName());
    m_writer->finishRead(QFileInfo(copyName).fileName());
}

void ArchiveLink::markKnown(const QString &readUid, int firstSeq, const QList<bool> &known)
{
    if (readUid != m_listedRead)
        return;
    for (int i = 0; i < known.size(); ++i) {
        QListWidgetItem *item = m_window.list->item(firstSeq - 1 + i);
        if (!item)
            continue;
        if (!known.at(i)) {
            ++m_newGroups;
            continue;
        }
        ++m_knownGroups;
        // Read again before the instrument was cleared: in the archive once.
        item->setForeground(QColor(128, 128, 128));
        item->setToolTip(tr("此组已在档案中（以前读取过），未重复存档"));
    }
    if (m_problem.isEmpty())
        setStateText(m_knownGroups > 0 ? tr("档案：本次新存%1组，%2组以前已存档（列表中灰色）").arg(m_newGroups).arg(m_knownGroups)
                                       : tr("档案：本次新存%1组").arg(m_newGroups));
}

void ArchiveLink::tie(const QStringList &groups)
{
    ArchiveConnection *archive = connection(tr("关联电能表"));
    if (!archive || groups.isEmpty())
        return;
    ArchiveQuery query(*archive);
    QStringList uids;
    for (const QString &group : groups)
        uids << ArchiveStore::readingUid(group);
    // The first test's meter and details are offered; a group not yet in
    // the archive (opened from a file) is taken in first, on this request.
    const std::optional<Archive::TestRow> first = query.test(uids.first());
    QStringList missing;
    for (int i = 0; i < groups.size(); ++i)
        if (!query.test(uids.at(i)))
            missing << groups.at(i);
    Archive::MeterDetails meter;
    Archive::TestDetails test;
    const ReportInfo last = ReportInfo::load();
    if (first && !first->meter.uid.isEmpty()) {
        meter = first->meter.details;
        test.meterUid = first->meter.uid;
        test.tester = first->tester;
        test.voided = first->voided;
        test.voidReason = first->voidReason;
        test.correctedOn = first->correctedOn;
        test.registers = first->registers;
    } else {
        meter = { QString(), last.customer, last.site, last.meterNumber, last.currentRatio, last.voltageRatio };
        test.tester = last.tester;
    }
    test.testDate = first ? first->date : QDate::currentDate();
    MeterDialog dialog(meter, test, int(groups.size()),
                       [&query](const QString &text) { return query.metersStartingWith(text); }, m_window.widget);
    if (dialog.exec() != QDialog::Accepted)
        return;

    ArchiveStore store(*archive);
    const Archive::MeterDetails chosen = dialog.meter();
    Archive::TestDetails details = dialog.test();
    // The meter of that 户号 and 表号, if known; a new revision only when
    // it is new or its details changed.
    std::optional<Archive::Meter> known;
    for (const Archive::Meter &meter : query.metersStartingWith(chosen.accountNo.isEmpty() ? chosen.meterNo : chosen.accountNo, 1000))
        if (meter.details.accountNo == chosen.accountNo && meter.details.meterNo == chosen.meterNo)
            known = meter;
    QString meterUid = known ? known->uid : QString();
    int added = 0, wasKnown = 0;
    bool written = missing.isEmpty() || store.importFile(QString(), missing, &added, &wasKnown);
    if (written && (!known || !(known->details == chosen)))
        written = store.reviseMeter(meterUid, chosen, &meterUid);
    details.meterUid = meterUid;
    if (written)
        written = store.reviseTests(uids, details);
    if (!written) {
        Prompts::tell(m_window.widget, tr("关联电能表"), tr("保存失败！"), store.error());
        return;
    }
    // What the reports' 报告信息 offers next.
    ReportInfo info = last;
    info.customer = chosen.customer;
    info.site = chosen.site;
    info.meterNumber = chosen.meterNo;
    info.tester = details.tester;
    info.currentRatio = chosen.ctRatio;
    info.voltageRatio = chosen.ptRatio;
    info.save();
    emit changed();
    if (m_dialog)
        m_dialog->search();
}

bool ArchiveLink::openQuietly()
{
    if (m_connection && m_connection->isOpen())
        return true;
    m_connection = std::make_unique<ArchiveConnection>(m_path);
    if (m_connection->open())
        return true;
    m_openError = m_connection->error();
    m_connection.reset();
    return false;
}

std::optional<ReportInfo> ArchiveLink::reportInfoFor(const QString &group)
{
    if (!openQuietly())
        return std::nullopt;
    const std::optional<Archive::TestRow> test = ArchiveQuery(*m_connection).test(ArchiveStore::readingUid(group));
    if (!test || test->meter.uid.isEmpty())
        return std::nullopt;
    ReportInfo info;
    const Archive::MeterDetails &meter = test->meter.details;
    info.customer = meter.customer.isEmpty() ? meter.accountNo : meter.customer;
    info.site = meter.site;
    info.meterNumber = meter.meterNo;
    info.tester = test->tester;
    info.date = test->date;
    info.currentRatio = meter.ctRatio;
    info.voltageRatio = meter.ptRatio;
    return info;
}

std::optional<RefundPeriod> ArchiveLink::refundPeriodFor(const QString &group)
{
    if (!openQuietly())
        return std::nullopt;
    ArchiveQuery query(*m_connection);
    return RefundPeriod::find(query, group);
}

void ArchiveLink::keepReport(const QString &fileName, const QStringList &groups)
{
    QStringList tied;
    for (const QString &group : groups)
        if (reportInfoFor(group))
            tied << ArchiveStore::readingUid(group);
    QFile file(fileName);
    if (tied.isEmpty() || !m_connection || !file.open(QIODevice::ReadOnly))
        return;
    ArchiveStore store(*m_connection);
    if (!store.keepReport(fileName, file.readAll(), tied))
        Prompts::tell(m_window.widget, tr("导出PDF"), tr("报告已导出，但未能存入档案！"), store.error());
}

void ArchiveLink::openArchiveWindow()
{
    ArchiveConnection *archive = connection(tr("档案"));
    if (!archive)
        return;
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new ArchiveDialog(*archive, m_window.widget);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &ArchiveDialog::openRequested, this, [this](const QStringList &groups, int row) {
        m_window.show(groups, row);
    });
    connect(m_dialog, &ArchiveDialog::tieRequested, this, &ArchiveLink::tie);
    emit archiveWindowOpened(m_dialog);
    m_dialog->show();
}

void ArchiveLink::importFile()
{
    const QString path = QFileDialog::getOpenFileName(m_window.widget, tr("导入档案"), QStringLiteral("./"),
                                                      tr("DAT文件 (*.dat)"));
    if (path.isEmpty())
        return;
    QStringList groups;
    if (!DataFile::load(path, &groups)) {
        Prompts::tell(m_window.widget, tr("导入档案"), tr("文件解析失败！"));
        return;
    }
    ArchiveConnection *archive = connection(tr("导入档案"));
    if (!archive)
        return;
    ArchiveStore store(*archive);
    int added = 0, known = 0;
    if (!store.importFile(path, groups, &added, &known)) {
        Prompts::tell(m_window.widget, tr("导入档案"), tr("导入失败！"), store.error());
        return;
    }
    emit changed();
    Prompts::tell(m_window.widget, tr("导入档案"), tr("已导入%1组，%2组已在档案中。").arg(added).arg(known));
    if (m_dialog)
        m_dialog->search();
}

void ArchiveLink::checkChain()
{
    ArchiveConnection *archive = connection(tr("校验档案"));
    if (!archive)
        return;
    ArchiveQuery query(*archive);
    const std::optional<ArchiveQuery::ChainCheck> check = query.checkChain();
    if (!check)
        Prompts::tell(m_window.widget, tr("校验档案"), tr("校验失败！"), query.error());
    else if (check->intact)
        Prompts::tell(m_window.widget, tr("校验档案"), tr("档案完好：%1组读数，数字摘要链完整。").arg(check->checked));
    else
        Prompts::tell(m_window.widget, tr("校验档案"), tr("档案已被改动！"),
                      tr("第%1条读数（存档于%2）与数字摘要链不符：自此条起的读数可能被修改或删除过。前%3条完好。")
                          .arg(check->brokenAt).arg(check->brokenRead).arg(check->checked));
}

void ArchiveLink::showReads()
{
    if (!openQuietly()) {
        // The copies of readings, as before the archive, rather than nothing.
        HistoryDialog::showCopies(m_window.widget, QString(), [this](const QString &path) { m_window.openFile(path); });
        return;
    }
    ArchiveConnection *archive = m_connection.get();
    ArchiveQuery query(*archive);
    QList<ReadingHistory::Copy> reads;
    const QList<Archive::ReadRow> rows = query.reads();
    for (const Archive::ReadRow &row : rows) {
        ReadingHistory::Copy read;
        read.path = row.uid;
        read.readAt = row.startedAt;
        read.readable = true;
        read.groups = query.groupsOfRead(row.uid);
        read.cutShort = !row.complete;
        reads << read;
    }
    if (reads.isEmpty()) {
        Prompts::tell(m_window.widget, tr("历史读取"), tr("还没有读取数据的记录！"));
        return;
    }
    auto *dialog = new HistoryDialog(reads, m_writer->readUid(), m_window.widget);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &HistoryDialog::openRequested, this, [this, archive](const QString &uid) {
        m_window.show(ArchiveQuery(*archive).groupsOfRead(uid), -1);
    });
    dialog->open();
}
