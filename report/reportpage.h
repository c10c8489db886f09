#ifndef REPORTPAGE_H
#define REPORTPAGE_H

#include "reportinfo.h"
#include "energyrefund.h"
#include "wiringdiagnosis.h"
#include "phasordiagram.h"

#include <QString>

class QPainter;

// The one layout of a report page, an A4 portrait page per group: the
// header of the report information, the contents of the Word report of the
// group's wiring (the same cells, texts and units), the power totals, the
// phasor diagram drawn for paper beside the wiring diagnosis and the
// findings of the wiring check, and 第k页 共n页 at the foot. The PDF file,
// the print preview and the printer all have their pages painted here.
class ReportPage
{
public:
    // accuracy: what K's interval and the refund's rest on.
    ReportPage(PhasorDiagram::Orientation orientation, const ReportInfo &info,
               const EnergyRefund::Accuracy &accuracy = {});

    // The page size in points.
    static constexpr qreal Width = 595.3;
    static constexpr qreal Height = 841.9;

    // Paints page pageNumber of pageCount, the group numbered groupNumber
    // (第N组), onto painter, whose device has scale units per point and
    // the page's top left corner at its origin; window: the load angles the
    // wiring diagnosis assumes for the group; registers: the meter's over the
    // period, where read, for the refund. A text with too few fields gets a
    // page that says so.
    void paint(QPainter &painter, qreal scale, int pageNumber, int pageCount, int groupNumber,
               const QString &groupText,
               WiringDiagnosis::LoadWindow window = WiringDiagnosis::LoadWindow::Inductive0To60,
               const std::optional<EnergyRefund::PeriodRegisters> &registers = std::nullopt) const;

private:
    PhasorDiagram::Orientation m_orientation;
    ReportInfo m_info;
    EnergyRefund::Accuracy m_accuracy;
};

#endif // REPORTPAGE_H
