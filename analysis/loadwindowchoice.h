#ifndef LOADWINDOWCHOICE_H
#define LOADWINDOWCHOICE_H

#include "wiringdiagnosis.h"

#include <QHash>
#include <optional>

// The load-angle windows the user chose in the wiring check: each for the
// group of its list row, or one kept for every group; the default elsewhere.
class LoadWindowChoice
{
public:
    WiringDiagnosis::LoadWindow windowFor(int row) const
    {
        return m_forEveryGroup.value_or(m_perRow.value(row, WiringDiagnosis::loadWindows().constFirst()));
    }
    bool keptForEveryGroup() const { return m_forEveryGroup.has_value(); }

    void choose(int row, WiringDiagnosis::LoadWindow window, bool forEveryGroup)
    {
        if (forEveryGroup) {
            m_forEveryGroup = window;
        } else {
            m_forEveryGroup.reset();
            m_perRow.insert(row, window);
        }
    }
    // The list is emptied: the windows chosen for its rows go with it; one
    // kept for every group stays.
    void forgetRows() { m_perRow.clear(); }

private:
    QHash<int, WiringDiagnosis::LoadWindow> m_perRow;
    std::optional<WiringDiagnosis::LoadWindow> m_forEveryGroup;
};

#endif // LOADWINDOWCHOICE_H
