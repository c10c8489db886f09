#ifndef GROUPSUMMARY_H
#define GROUPSUMMARY_H

#include "groupvalues.h"

#include <QCoreApplication>
#include <QString>
#include <limits>

// Figures of a whole group that the overview, the table export and the
// history of readings show beside the table's own.

// "三相四线", "三相三线" or "接线方式不明".
inline QString wiringSystemText(const GroupValues &values)
{
    if (values.isFourWire())
        return QCoreApplication::translate("GroupSummary", "三相四线");
    if (values.isThreeWire())
        return QCoreApplication::translate("GroupSummary", "三相三线");
    return QCoreApplication::translate("GroupSummary", "接线方式不明");
}

// What stands for a group too short to parse, whose figures stay empty.
inline QString incompleteGroupText()
{
    return QCoreApplication::translate("GroupSummary", "数据不完整");
}

// The wiring system of a parsed group (GroupValues::fromText), or
// incompleteGroupText() for one too short to parse.
inline QString wiringSystemOf(const std::optional<GroupValues> &values)
{
    return values ? wiringSystemText(*values) : incompleteGroupText();
}

// The total power factor ΣP/ΣS; not a number when nothing flows (ΣS is 0),
// which the overview and the exports leave empty.
inline double totalPowerFactor(const GroupValues &values)
{
    if (values.apparentPowerSum == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return values.activePowerSum / values.apparentPowerSum;
}

#endif // GROUPSUMMARY_H
