#ifndef ACCURACYSETTINGS_H
#define ACCURACYSETTINGS_H

#include "energyrefund.h"

// The accuracies the refund's intervals rest on, as last entered in 接线检查;
// the defaults until then, and instead of any kept value that is refused.
EnergyRefund::Accuracy loadAccuracy();
void saveAccuracy(const EnergyRefund::Accuracy &accuracy);

#endif // ACCURACYSETTINGS_H
