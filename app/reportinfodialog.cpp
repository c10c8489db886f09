#include "reportinfodialog.h"

#include "prompts.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit *lineEdit(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(objectName);
    return edit;
}

} // namespace

ReportInfoDialog::ReportInfoDialog(const ReportInfo &info, int pageCount, QWidget *parent)
    : QDialog(parent)
    , m_customer(lineEdit(QStringLiteral("customer"), info.customer, this))
    , m_site(lineEdit(QStringLiteral("site"), info.site, this))
    , m_meterNumber(lineEdit(QStringLiteral("meterNumber"), info.meterNumber, this))
    , m_tester(lineEdit(QStringLiteral("tester"), info.tester, this))
    , m_date(new QDateEdit(info.date, this))
    , m_currentRatio(lineEdit(QStringLiteral("currentRatio"), info.currentRatio, this))
    , m_voltageRatio(lineEdit(QStringLiteral("voltageRatio"), info.voltageRatio, this))
    , m_info(info)
{
    setWindowTitle(tr("报告信息"));
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_currentRatio->setPlaceholderText(tr("如200/5、200/5A或40；不填则不计一次侧"));
    m_voltageRatio->setPlaceholderText(tr("如10000/100、10kV/100V或100；不填则不计一次侧"));

    // Room for a usual 安装地点 and the nameplate ratios' hints.
    m_site->setMinimumWidth(m_site->fontMetrics().horizontalAdvance(tr("10kV配电房2号计量柜（进线柜）")));
    for (QLineEdit *ratio : { m_currentRatio, m_voltageRatio })
        ratio->setMinimumWidth(ratio->fontMetrics().horizontalAdvance(ratio->placeholderText()) + 16);
    auto *form = new QFormLayout(this);
    if (pageCount > 1) { // one customer on every page of the report
        auto *pages = new QLabel(tr("以下信息用于全部%1页").arg(pageCount), this);
        pages->setObjectName(QStringLiteral("pages"));
        form->addRow(pages);
    }
    form->addRow(tr("用户名称："), m_customer);
    form->addRow(tr("安装地点："), m_site);
    form->addRow(tr("电能表编号："), m_meterNumber);
    form->addRow(tr("检测人："), m_tester);
    form->addRow(tr("检测日期："), m_date);
    form->addRow(tr("电流互感器变比："), m_currentRatio);
    form->addRow(tr("电压互感器变比："), m_voltageRatio);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ReportInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ReportInfoDialog::reject);
    form->addRow(buttons);
}

void ReportInfoDialog::accept()
{
    ReportInfo info;
    info.customer = m_customer->text().trimmed();
    info.site = m_site->text().trimmed();
    info.meterNumber = m_meterNumber->text().trimmed();
    info.tester = m_tester->text().trimmed();
    info.date = m_date->date();
    info.currentRatio = m_currentRatio->text().trimmed();
    info.voltageRatio = m_voltageRatio->text().trimmed();
    if (ReportInfo::multiplier(info.currentRatio, ReportInfo::Ratio::Current) < 0) {
        Prompts::tell(this, tr("报告信息"), tr("电流互感器变比请按铭牌填写，如200/5、200/5A，或填倍数如40（须大于0）！"));
        m_currentRatio->setFocus();
        return;
    }
    if (ReportInfo::multiplier(info.voltageRatio, ReportInfo::Ratio::Voltage) < 0) {
        Prompts::tell(this, tr("报告信息"),
                      tr("电压互感器变比请按铭牌填写，如10000/100、10kV/100V，或填倍数如100（须大于0）！"));
        m_voltageRatio->setFocus();
        return;
    }
    m_info = info;
    QDialog::accept();
}

std::optional<ReportInfo> ReportInfoDialog::ask(QWidget *parent, int pageCount)
{
    ReportInfoDialog dialog(ReportInfo::load(), pageCount, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    dialog.info().save();
    return dialog.info();
}
