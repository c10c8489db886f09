#include "refundperiod.h"

#include "archivequery.h"
#include "archivestore.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RefundPeriod", text);
}

// Found correct: no wrong form named and nothing else amiss; or put right then.
bool wiringRightAfter(const Archive::TestRow &test)
{
    return !test.voided && ((!test.wrongWiring && test.severity == 0) || test.correctedOn.isValid());
}

bool anyRegister(const Archive::Registers &registers)
{
    for (const std::optional<double> &value : registers)
        if (value)
            return true;
    return false;
}

void take(const Archive::Registers &registers, std::array<QString, EnergyRefund::RegisterCount> &texts)
{
    for (int reg = 0; reg < EnergyRefund::RegisterCount; ++reg)
        if (const std::optional<double> &value = registers.at(size_t(reg)))
            texts[size_t(reg)] = QString::number(*value, 'g', 12);
}

QString dateText(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

} // namespace

std::optional<RefundPeriod> RefundPeriod::of(const QList<Archive::TestRow> &history, const QString &readingUid)
{
    int shown = -1;
    for (int i = 0; i < history.size() && shown < 0; ++i)
        if (history.at(i).readingUid == readingUid)
            shown = i;
    if (shown < 0)
        return std::nullopt;
    RefundPeriod period;
    for (int i = shown - 1; i >= 0 && !period.start; --i)
        if (wiringRightAfter(history.at(i)))
            period.start = history.at(i);
    period.end = history.at(shown);
    for (int i = shown; i < history.size(); ++i)
        if (!history.at(i).voided && history.at(i).correctedOn.isValid()) {
            period.end = history.at(i);
            period.endCorrected = true;
            period.endIsShown = i == shown;
            break;
        }
    if (period.start)
        take(period.start->registers, period.entries.start);
    take(period.end.registers, period.entries.end);
    return period;
}

std::optional<RefundPeriod> RefundPeriod::find(ArchiveQuery &query, const QString &groupText)
{
    const QString uid = ArchiveStore::readingUid(groupText);
    const std::optional<Archive::TestRow> test = query.test(uid);
    if (!test || test->meter.uid.isEmpty())
        return std::nullopt;
    return of(query.history(test->meter.uid), uid);
}

QString RefundPeriod::source() const
{
    QString from;
    if (!start)
        from = tr("此表没有更早的接线正确的检测，起码请填写");
    else if (!anyRegister(start->registers))
        from = tr("此前最后一次接线正确的检测（%1）未录入示数，起码请填写").arg(dateText(start->date));
    else
        from = tr("起码取自此前最后一次接线正确的检测（%1）").arg(dateText(start->date));
    QString when = dateText(end.date);
    if (endCorrected)
        when = tr("%1，更正日期%2").arg(when, dateText(end.correctedOn));
    const QString test = (endIsShown ? tr("本次检测") : tr("接线已更正的检测")) + tr("（%1）").arg(when);
    const QString to = anyRegister(end.registers) ? tr("止码取自%1").arg(test) : tr("%1未录入示数，止码请填写").arg(test);
    return tr("档案：%1；%2。均可修改，结算电量请填写。").arg(from, to);
}
