#ifndef GROUPVERDICT_H
#define GROUPVERDICT_H

#include "wiringcheck.h"

#include <QColor>
#include <QString>
#include <optional>

struct GroupValues;

// The one-line verdict on the wiring of a group that the overview and the
// table export show for each group: the form the diagnosis names (under the
// default load-angle window) with its correction factor, "[Ua,-Ia][Ub,Ib][Uc,Ic]，K=3.000";
// where it names none, the worst finding of the wiring check.
struct Verdict
{
    QString text;
    WiringCheck::Severity severity = WiringCheck::Severity::Normal;
};

Verdict verdictOf(const GroupValues &values);
// The same of a parsed group (GroupValues::fromText); one too short to
// parse is 数据不完整, a 提示.
Verdict verdictOf(const std::optional<GroupValues> &values);

// Green, orange or red, as the wiring check dialog shows the results.
QColor severityColour(WiringCheck::Severity severity);

#endif // GROUPVERDICT_H
