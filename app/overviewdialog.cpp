#include "overviewdialog.h"

#include "accuracysettings.h"
#include "overviewmodel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

OverviewDialog::OverviewDialog(const QStringList &groups, QWidget *parent)
    : QDialog(parent)
    , m_model(new OverviewModel(groups, this, loadAccuracy()))
    , m_sorted(new QSortFilterProxyModel(this))
    , m_view(new QTableView(this))
{
    setWindowTitle(tr("总览"));
    QFont font;
    font.setPointSize(11);
    setFont(font);

    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(OverviewModel::SortRole);
    m_view->setObjectName(QStringLiteral("overviewTable"));
    m_view->setModel(m_sorted);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->setVisible(false);
    // Rows of one height need no measuring, however many there are.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 8);
    m_view->horizontalHeader()->setResizeContentsPrecision(200);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(OverviewModel::Group, Qt::AscendingOrder);
    m_view->resizeColumnsToContents();
    m_view->horizontalHeader()->setStretchLastSection(true);
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        emit groupActivated(m_sorted->mapToSource(index).row());
    });

    auto *hint = new QLabel(tr("共%1组。点击列标题排序，双击一行在主窗口中显示该组；选中几行可只为这几组导出PDF或打印。")
                                .arg(groups.size()), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QPushButton *pdf = buttons->addButton(tr("导出PDF"), QDialogButtonBox::ActionRole);
    QPushButton *print = buttons->addButton(tr("打印"), QDialogButtonBox::ActionRole);
    QPushButton *tie = buttons->addButton(tr("关联电能表"), QDialogButtonBox::ActionRole);
    pdf->setObjectName(QStringLiteral("pdfButton"));
    print->setObjectName(QStringLiteral("printButton"));
    tie->setObjectName(QStringLiteral("tieButton"));
    for (QPushButton *button : { pdf, print, tie })
        button->setEnabled(false);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, pdf, print, tie] {
        for (QPushButton *button : { pdf, print, tie })
            button->setEnabled(m_view->selectionModel()->hasSelection());
    });
    connect(pdf, &QPushButton::clicked, this, [this] { emit pdfRequested(selectedRows()); });
    connect(print, &QPushButton::clicked, this, [this] { emit printRequested(selectedRows()); });
    connect(tie, &QPushButton::clicked, this, [this] { emit tieRequested(selectedRows()); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_view);
    layout->addWidget(buttons);
    // Wide enough for every column, verdicts included, as far as the screen allows.
    const QRect screen = this->screen()->availableGeometry();
    resize(qMin(screen.width() - 40, m_view->horizontalHeader()->length() + 60), qMin(screen.height() - 40, 640));
}

QList<int> OverviewDialog::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_view->selectionModel()->selectedRows())
        rows << m_sorted->mapToSource(index).row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

OverviewDialog *OverviewDialog::open(const QStringList &groups, QWidget *parent)
{
    auto *dialog = new OverviewDialog(groups, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->activateWindow();
    return dialog;
}
