#include "historydialog.h"

#include "groupsummary.h"
#include "prompts.h"
#include "readingarchive.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

HistoryDialog::HistoryDialog(const QList<ReadingHistory::Copy> &copies, const QString &running,
                             QWidget *parent)
    : QDialog(parent)
    , m_copies(copies)
    , m_table(new QTableWidget(int(copies.size()), 4, this))
{
    setWindowTitle(tr("历史读取"));
    QFont font;
    font.setPointSize(11);
    setFont(font);

    m_table->setObjectName(QStringLiteral("historyTable"));
    m_table->setHorizontalHeaderLabels({ tr("读取时间"), tr("组数"), tr("接线方式"), tr("状态") });
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int row = 0; row < copies.size(); ++row) {
        const ReadingHistory::Copy &copy = copies.at(row);
        // Every system the groups are of, in the order met: a reading may mix
        // four-wire and three-wire installations.
        QStringList systems;
        for (const QString &group : copy.groups) {
            const QString system = wiringSystemOf(GroupValues::fromText(group));
            if (!systems.contains(system))
                systems << system;
        }
        const QString state = !copy.readable ? tr("文件无法读取")
            : copy.path == running                 ? tr("正在读取")
            : copy.cutShort                        ? tr("未读完")
                                                   : tr("完整");
        const QStringList texts{ copy.readAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                 copy.readable ? QString::number(copy.groups.size()) : QString(),
                                 systems.join(tr("、")), state };
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QTableWidgetItem(texts.at(column));
            if (copy.cutShort || !copy.readable)
                item->setForeground(QColor(192, 96, 0));
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    if (!copies.isEmpty())
        m_table->selectRow(0);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row) { openRow(row); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *open = buttons->addButton(tr("打开"), QDialogButtonBox::AcceptRole);
    open->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { openRow(m_table->currentRow()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("每次读取的数据都自动保存在 %1").arg(QDir::toNativeSeparators(ReadingArchive::folder())), this));
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(560, 420);
}

void HistoryDialog::openRow(int row)
{
    if (row < 0 || row >= m_copies.size())
        return;
    const QString path = m_copies.at(row).path;
    accept();
    emit openRequested(path);
}

void HistoryDialog::showCopies(QWidget *parent, const QString &running,
                               const std::function<void(const QString &path)> &open)
{
    const QList<ReadingHistory::Copy> copies = ReadingHistory::list();
    if (copies.isEmpty()) {
        Prompts::tell(parent, tr("历史读取"), tr("还没有读取数据的记录！"));
        return;
    }
    auto *dialog = new HistoryDialog(copies, running, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &HistoryDialog::openRequested, parent, open);
    dialog->open();
}
