#include "reportvalues.h"

#include "reporttemplate.h"
#include "groupvalues.h"
#include "numbertext.h"

#include <QCoreApplication>

namespace ReportValues {

namespace {

QString voltage(double value) { return NumberText::fixed(value, NumberText::VoltageDecimals); }
QString current(double value) { return NumberText::fixed(value, NumberText::CurrentDecimals); }
QString angle(double value) { return NumberText::fixed(value, NumberText::AngleDecimals); }
QString power(double value) { return NumberText::fixed(value, NumberText::PowerDecimals); }
QString frequency(double value) { return NumberText::fixed(value, NumberText::FrequencyDecimals); }

const QString Degree = QStringLiteral("&deg;");
const QString ParagraphEnd = QStringLiteral("&deg;</span></p>");

// "UA~UB:" and its angle, the following pairs each in a paragraph of its own.
// The first pair stays in the template's paragraph, which the template closes.
QString wordSequence(const QStringList &names, const QList<double> &angles)
{
    QString text = names.at(0) + angle(angles.at(0)) + Degree;
    for (int i = 1; i < names.size(); ++i)
        text += QLatin1String(WordParagraphOpener) + names.at(i) + angle(angles.at(i)) + ParagraphEnd;
    return text;
}

// The pairs one after the other; the template's "&deg;" ends the last one.
QString excelSequence(const QStringList &names, const QList<double> &angles)
{
    QString text;
    for (int i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += Degree;
        text += names.at(i) + angle(angles.at(i));
    }
    return text;
}

QString sequence(ReportKind kind, const QStringList &names, const QList<double> &angles)
{
    return kind == ReportKind::Word ? wordSequence(names, angles) : excelSequence(names, angles);
}

} // namespace

QString templatePath(ReportKind kind, const GroupValues &values)
{
    const bool fourWire = values.isFourWire();
    if (kind == ReportKind::Word)
        return QLatin1String(fourWire ? ReportTemplate::Word3x4Path : ReportTemplate::Word3x3Path);
    return QLatin1String(fourWire ? ReportTemplate::Excel3x4Path : ReportTemplate::Excel3x3Path);
}

namespace {

struct Pairs
{
    QStringList names;
    QList<double> angles;
};

Pairs voltagePairs(const GroupValues &v)
{
    // The three-wire report calls the C>A angle CB>AB.
    if (v.isFourWire())
        return {{QStringLiteral("UA~UB:"), QStringLiteral("UB~UC:"), QStringLiteral("UC~UA:")},
                {v.voltagePhaseAB, v.voltagePhaseBC, v.voltagePhaseCA}};
    return {{QStringLiteral("UAB~UCB:"), QStringLiteral("UCB~UAB:")},
            {v.voltagePhaseAB, v.voltagePhaseCA}};
}

Pairs currentPairs(const GroupValues &v)
{
    if (v.isFourWire())
        return {{QStringLiteral("IA~IB:"), QStringLiteral("IB~IC:"), QStringLiteral("IC~IA:")},
                {v.currentPhaseAB, v.currentPhaseBC, v.currentPhaseCA}};
    return {{QStringLiteral("IAB~ICB:"), QStringLiteral("ICB~IAB:")},
            {v.currentPhaseAB, v.currentPhaseCA}};
}

QStringList plainLines(const Pairs &pairs)
{
    QStringList lines;
    for (int i = 0; i < pairs.names.size(); ++i)
        lines << pairs.names.at(i) + angle(pairs.angles.at(i)) + QChar(0x00B0);
    return lines;
}

} // namespace

QString voltageSequenceText(ReportKind kind, const GroupValues &v)
{
    const Pairs pairs = voltagePairs(v);
    return sequence(kind, pairs.names, pairs.angles);
}

QString currentSequenceText(ReportKind kind, const GroupValues &v)
{
    const Pairs pairs = currentPairs(v);
    return sequence(kind, pairs.names, pairs.angles);
}

QStringList voltageSequenceLines(const GroupValues &v)
{
    if (v.isFourWire())
        return plainLines({ { QStringLiteral("UA→UB "), QStringLiteral("UB→UC "), QStringLiteral("UA→UC ") },
                            { v.voltagePhaseAB, v.voltagePhaseBC, v.voltagePhaseCA } });
    return plainLines({ { QStringLiteral("UAB→UCB ") }, { v.voltagePhaseCA } });
}

QStringList currentSequenceLines(const GroupValues &v)
{
    if (v.isFourWire())
        return plainLines({ { QStringLiteral("IA→IB "), QStringLiteral("IB→IC "), QStringLiteral("IA→IC ") },
                            { v.currentPhaseAB, v.currentPhaseBC, v.currentPhaseCA } });
    return plainLines({ { QStringLiteral("IA→IC ") }, { v.currentPhaseCA } });
}

QStringList placeholderValues(ReportKind kind, const GroupValues &v, const QString &diagramBase64)
{
    if (v.isFourWire()) {
        return {
            voltage(v.voltageA), voltage(v.voltageB), voltage(v.voltageC),         // %1-%3
            voltageSequenceText(kind, v),                                           // %4
            current(v.currentA), current(v.currentB), current(v.currentC),         // %5-%7
            currentSequenceText(kind, v),                                           // %8
            current(v.currentN),                                                    // %9
            angle(v.powerAngleA), angle(v.powerAngleB), angle(v.powerAngleC),      // %10-%12
            power(v.activePowerA), power(v.activePowerB), power(v.activePowerC),   // %13-%15
            power(v.reactivePowerA), power(v.reactivePowerB), power(v.reactivePowerC),
            power(v.apparentPowerA), power(v.apparentPowerB), power(v.apparentPowerC),
            frequency(v.frequency),                                                 // %22
            angle(v.currentPhaseAB), angle(v.currentPhaseBC), angle(v.currentPhaseCA),
            angle(v.voltagePhaseAB), angle(v.voltagePhaseBC), angle(v.voltagePhaseCA),
            diagramBase64,                                                          // %29
        };
    }
    // Three-wire: the line quantities AB and CB are held in the entries of
    // phases A and C; the B entries do not appear.
    return {
        voltage(v.voltageA), voltage(v.voltageC),                                   // %1-%2
        voltageSequenceText(kind, v),                                               // %3
        current(v.currentA), current(v.currentC),                                   // %4-%5
        currentSequenceText(kind, v),                                               // %6
        angle(v.powerAngleA), angle(v.powerAngleC),                                 // %7-%8
        power(v.activePowerA), power(v.activePowerC),                               // %9-%10
        power(v.reactivePowerA), power(v.reactivePowerC),                           // %11-%12
        power(v.apparentPowerA), power(v.apparentPowerC),                           // %13-%14
        frequency(v.frequency),                                                     // %15
        angle(v.currentPhaseAB), angle(v.currentPhaseCA),                           // %16-%17
        angle(v.voltagePhaseAB), angle(v.voltagePhaseCA),                           // %18-%19
        diagramBase64,                                                              // %20
    };
}

QByteArray buildReport(ReportKind kind, const GroupValues &values, const QByteArray &diagramPng)
{
    const QString text = ReportTemplate::read(templatePath(kind, values));
    const QString diagram = QString::fromLatin1(diagramPng.toBase64());
    return ReportTemplate::fill(text, placeholderValues(kind, values, diagram)).toUtf8();
}

QString saveFilter(ReportKind kind)
{
    return kind == ReportKind::Word ? QCoreApplication::translate("ReportValues", "DOC文件 (*.doc)")
                                    : QCoreApplication::translate("ReportValues", "XLS文件 (*.xls)");
}

} // namespace ReportValues
