#ifndef REFUNDPERIOD_H
#define REFUNDPERIOD_H

#include "archivetypes.h"
#include "energyrefund.h"

#include <QList>
#include <QString>
#include <optional>

class ArchiveQuery;

// The period a refund covers, as the archive knows it: from the meter's
// last test before the one shown that found the wiring correct (or put it
// right), voided tests left out, to the test marked 接线已更正 from the one
// shown on, or else the one shown. Its registers are the readings at the
// start and the end.
struct RefundPeriod
{
    // The readings as the 接线检查 dialog takes them typed; the billed
    // energy is not archived and stays empty.
    EnergyRefund::Entries entries;
    std::optional<Archive::TestRow> start; // none: no earlier test found correct
    Archive::TestRow end;
    bool endCorrected = false;  // end is the test marked 接线已更正
    bool endIsShown = true;     // end is the test shown

    // Where the readings came from, in words, for the dialog.
    QString source() const;

    // From a meter's tests, oldest first; none when the reading is not among them.
    static std::optional<RefundPeriod> of(const QList<Archive::TestRow> &history, const QString &readingUid);
    // The period of the test of a group text; none when the archive does
    // not hold the test or ties it to no meter.
    static std::optional<RefundPeriod> find(ArchiveQuery &query, const QString &groupText);
};

#endif // REFUNDPERIOD_H
