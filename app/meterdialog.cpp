#include "meterdialog.h"

#include "prompts.h"
#include "reportinfo.h"

#include <QCheckBox>
#include <QCompleter>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>

namespace {

QLineEdit *lineEdit(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(objectName);
    return edit;
}

QDateEdit *dateEdit(const QString &objectName, const QDate &date, QWidget *parent)
{
    auto *edit = new QDateEdit(date.isValid() ? date : QDate::currentDate(), parent);
    edit->setObjectName(objectName);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return edit;
}

} // namespace

MeterDialog::MeterDialog(const Archive::MeterDetails &meter, const Archive::TestDetails &test, int testCount,
                         MeterLookup lookup, QWidget *parent)
    : QDialog(parent)
    , m_lookup(std::move(lookup))
    , m_accountNo(lineEdit(QStringLiteral("accountNo"), meter.accountNo, this))
    , m_customer(lineEdit(QStringLiteral("customer"), meter.customer, this))
    , m_site(lineEdit(QStringLiteral("site"), meter.site, this))
    , m_meterNo(lineEdit(QStringLiteral("meterNo"), meter.meterNo, this))
    , m_ctRatio(lineEdit(QStringLiteral("currentRatio"), meter.ctRatio, this))
    , m_ptRatio(lineEdit(QStringLiteral("voltageRatio"), meter.ptRatio, this))
    , m_tester(lineEdit(QStringLiteral("tester"), test.tester, this))
    , m_testDate(dateEdit(QStringLiteral("testDate"), test.testDate, this))
    , m_corrected(new QCheckBox(tr("本次已更正接线，日期："), this))
    , m_correctedOn(dateEdit(QStringLiteral("correctedOn"), test.correctedOn.isValid() ? test.correctedOn : test.testDate, this))
    , m_voided(new QCheckBox(tr("作废，原因："), this))
    , m_voidReason(lineEdit(QStringLiteral("voidReason"), test.voidReason, this))
    , m_meter(meter)
    , m_test(test)
{
    setWindowTitle(tr("关联电能表"));
    m_corrected->setObjectName(QStringLiteral("corrected"));
    m_corrected->setChecked(test.correctedOn.isValid());
    m_voided->setObjectName(QStringLiteral("voided"));
    m_voided->setChecked(test.voided);
    m_ctRatio->setPlaceholderText(tr("如200/5、200/5A或40"));
    m_ptRatio->setPlaceholderText(tr("如10000/100、10kV/100V或100"));
    m_site->setMinimumWidth(m_site->fontMetrics().horizontalAdvance(tr("10kV配电房2号计量柜（进线柜）")));

    // The meters already known, offered while a 户号 or 表号 is typed.
    for (QLineEdit *edit : { m_accountNo, m_meterNo }) {
        auto *completer = new QCompleter(new QStringListModel(this), edit);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchStartsWith);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        edit->setCompleter(completer);
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { offerMeters(edit); });
        connect(completer, qOverload<const QModelIndex &>(&QCompleter::activated), this, [this](const QModelIndex &index) {
            const int row = index.data(Qt::UserRole).toInt();
            if (row >= 0 && row < m_offered.size())
                fillIn(m_offered.at(row));
        });
    }

    auto *form = new QFormLayout(this);
    if (testCount > 1) {
        auto *tests = new QLabel(tr("以下信息用于选中的%1组").arg(testCount), this);
        tests->setObjectName(QStringLiteral("tests"));
        form->addRow(tests);
    }
    form->addRow(tr("户号："), m_accountNo);
    form->addRow(tr("户名："), m_customer);
    form->addRow(tr("安装地点："), m_site);
    form->addRow(tr("表号："), m_meterNo);
    form->addRow(tr("电流互感器变比："), m_ctRatio);
    form->addRow(tr("电压互感器变比："), m_ptRatio);
    form->addRow(tr("检测人："), m_tester);
    form->addRow(tr("检测日期："), m_testDate);

    // The registers read off the meter at this visit; each may stay empty.
    auto *registers = new QGroupBox(tr("本次抄见示数（可不填）"), this);
    auto *grid = new QGridLayout(registers);
    const QStringList names{ tr("正向有功(kWh)"), tr("反向有功(kWh)"), tr("无功Ⅰ象限(kvarh)"),
                             tr("无功Ⅱ象限(kvarh)"), tr("无功Ⅲ象限(kvarh)"), tr("无功Ⅳ象限(kvarh)") };
    for (int i = 0; i < names.size(); ++i) {
        const std::optional<double> value = test.registers.at(size_t(i));
        auto *edit = lineEdit(QStringLiteral("register%1").arg(i), value ? QString::number(*value, 'g', 12) : QString(), registers);
        m_registers << edit;
        grid->addWidget(new QLabel(names.at(i), registers), i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
    }
    form->addRow(registers);
    auto *corrected = new QHBoxLayout;
    corrected->addWidget(m_corrected);
    corrected->addWidget(m_correctedOn, 1);
    form->addRow(corrected);
    auto *voided = new QHBoxLayout;
    voided->addWidget(m_voided);
    voided->addWidget(m_voidReason, 1);
    form->addRow(voided);
    form->addRow(new QLabel(tr("读数本身不会被修改；每次修改都另存为新的记录，保留修改时间和修改人。"), this));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &MeterDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MeterDialog::reject);
    form->addRow(buttons);
}

void MeterDialog::offerMeters(QLineEdit *edit)
{
    m_offered = m_lookup ? m_lookup(edit->text()) : QList<Archive::Meter>();
    auto *model = static_cast<QStringListModel *>(edit->completer()->model());
    QStringList texts;
    for (const Archive::Meter &meter : std::as_const(m_offered)) {
        const QString key = edit == m_accountNo ? meter.details.accountNo : meter.details.meterNo;
        texts << key;
    }
    model->setStringList(texts);
    for (int row = 0; row < texts.size(); ++row)
        model->setData(model->index(row), row, Qt::UserRole);
    // The popup shows 户名 and 地点 beside the key, so two meters of one
    // account can be told apart.
    for (int row = 0; row < texts.size(); ++row) {
        const Archive::MeterDetails &details = m_offered.at(row).details;
        model->setData(model->index(row), QStringLiteral("%1  %2  %3").arg(texts.at(row), details.customer, details.site),
                       Qt::ToolTipRole);
    }
}

void MeterDialog::fillIn(const Archive::Meter &meter)
{
    const Archive::MeterDetails &details = meter.details;
    m_accountNo->setText(details.accountNo);
    m_customer->setText(details.customer);
    m_site->setText(details.site);
    m_meterNo->setText(details.meterNo);
    m_ctRatio->setText(details.ctRatio);
    m_ptRatio->setText(details.ptRatio);
}

void MeterDialog::accept()
{
    Archive::MeterDetails meter{ m_accountNo->text().trimmed(), m_customer->text().trimmed(), m_site->text().trimmed(),
                                 m_meterNo->text().trimmed(), m_ctRatio->text().trimmed(), m_ptRatio->text().trimmed() };
    const auto refuse = [this](QWidget *field, const QString &text) {
        Prompts::tell(this, tr("关联电能表"), text);
        field->setFocus();
    };
    if (meter.accountNo.isEmpty() && meter.meterNo.isEmpty())
        return refuse(m_accountNo, tr("请填写户号或表号！"));
    if (ReportInfo::multiplier(meter.ctRatio, ReportInfo::Ratio::Current) < 0)
        return refuse(m_ctRatio, tr("电流互感器变比请按铭牌填写，如200/5、200/5A，或填倍数如40（须大于0）！"));
    if (ReportInfo::multiplier(meter.ptRatio, ReportInfo::Ratio::Voltage) < 0)
        return refuse(m_ptRatio, tr("电压互感器变比请按铭牌填写，如10000/100、10kV/100V，或填倍数如100（须大于0）！"));
    Archive::TestDetails test = m_test;
    test.testDate = m_testDate->date();
    test.tester = m_tester->text().trimmed();
    for (int i = 0; i < m_registers.size(); ++i) {
        const QString text = m_registers.at(i)->text().trimmed();
        bool ok = true;
        const double value = text.toDouble(&ok);
        if (!text.isEmpty() && (!ok || !std::isfinite(value) || value < 0))
            return refuse(m_registers.at(i), tr("示数请填写不小于0的数字，或不填！"));
        test.registers[size_t(i)] = text.isEmpty() ? std::nullopt : std::optional<double>(value);
    }
    test.correctedOn = m_corrected->isChecked() ? m_correctedOn->date() : QDate();
    test.voided = m_voided->isChecked();
    test.voidReason = test.voided ? m_voidReason->text().trimmed() : QString();
    if (test.voided && test.voidReason.isEmpty())
        return refuse(m_voidReason, tr("作废请填写原因！"));
    m_meter = meter;
    m_test = test;
    QDialog::accept();
}
