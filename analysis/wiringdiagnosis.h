#ifndef WIRINGDIAGNOSIS_H
#define WIRINGDIAGNOSIS_H

#include <QList>
#include <QString>
#include <QStringList>

struct GroupValues;

// The exact wiring form of a group's meter, found by matching its readings
// against every form of its wiring system, and what it costs: the
// correction factor K = P(correct) / P(registered) and the energy to recover
// or refund, (K - 1) W'.
//
// The readings alone fix a form only up to a shift of the load angle by 60
// degrees (three-wire: 6 forms of a family read alike at load angles 60
// degrees apart; four-wire the same, besides the relabellings a→b→c, which
// read alike and cost the same). So the form is named under a window of
// load angles 60 degrees wide that the technician knows the load to lie in.
namespace WiringDiagnosis {

enum class LoadWindow { Inductive0To60, Inductive30To90, Symmetric30 };

// In the order offered, the default first.
QList<LoadWindow> loadWindows();
// "感性 0°～60°", "感性 30°～90°", "−30°～30°".
QString loadWindowText(LoadWindow window);
// The window's lowest load angle; it reaches up to, not including, 60 more.
double windowStart(LoadWindow window);

enum class Status {
    Identified, // a form fits
    Losses,     // a lost voltage or current, or the three-wire terminal b open
    NoFit,      // no form fits within the tolerance
    NotJudged   // no voltage or no current at all, or an unknown wiring system
};

struct Alternative
{
    QString form;
    double loadAngle;
    double k;
    bool correct = false;
};

struct Diagnosis
{
    Status status = Status::NotJudged;
    QString form;      // the notation; empty unless identified
    bool correct = false;
    double loadAngle;  // implied, -180 to 180; NaN when not known
    double k;          // +inf when the meter stops; NaN when not known
    bool kEstimated = false; // losses: K assumes a balanced load, the rest correct
    QString summary;   // losses, no fit, not judged: what is wrong, in words
    QStringList corrections;
    QList<Alternative> alternatives; // the other forms of the family
    double deviation = 0; // largest angle off the form named (or the nearest), degrees
    // Identified with the load angle within EdgeMargin of an end of the
    // window: the form of the family just beyond the other end reads alike,
    // and only the nature of the load tells them apart. The form named is
    // then no settled verdict: rival holds the other, and neither gets its
    // corrections shown.
    bool atEdge = false;
    Alternative rival{};
};

Diagnosis diagnose(const GroupValues &values, LoadWindow window = LoadWindow::Inductive0To60);

// Whether the diagnosis names the correct form as its settled verdict.
inline bool settledCorrect(const Diagnosis &d) { return d.correct && !d.atEdge; }

// "1.732", "-0.500", "∞"; "—" when not known.
QString kText(double k);
// "表计停走", "表计反转" or empty.
QString kMeaning(double k);

// ΔW = (K - 1) W'; positive is to be recovered (应补收), negative refunded
// (应退还). Not valid for an infinite or unknown K.
struct Refund
{
    bool valid = false;
    double energy = 0;
    QString direction; // 应补收, 应退还 or 无需退补
};
Refund refund(double k, double registeredEnergy);

// "接线形式：[Uab,Ia][Ucb,Ic]（正确接线，负载角30.0°，按感性 0°～60°判定）",
// "接线形式：不能确定（A相失压）", …
QString formLine(const Diagnosis &diagnosis, LoadWindow window);
// "更正系数K：∞（表计停走）", "更正系数K：1.500（按负载对称、其余接线正确估算）", …
QString kLine(const Diagnosis &diagnosis);

// The diagnosis in lines: the form line; at an edge of the window the two
// candidates, "  [Ua,Ia][Ub,Ib][Uc,Ic]（正确接线）：负载角30.0°，K=1.000",
// and nothing more; else the K line and the corrections, numbered one per
// line after "更正方法：" (the dialog) or in one line (a report).
enum class Layout { Numbered, OneLine };
QStringList diagnosisLines(const Diagnosis &diagnosis, LoadWindow window, Layout layout);

// Under a window other than the default, where the default's verdict
// differs: "按默认范围（感性 0°～60°）为正确接线"; else empty.
// chosen is the diagnosis under window.
QString defaultWindowNote(const GroupValues &values, const Diagnosis &chosen, LoadWindow window);

// The verdict of a report in one sentence, "检测结论：…".
QString conclusion(const GroupValues &values, LoadWindow window);

// The lines of a report: the diagnosis, the default window's verdict where
// it differs, then the lines of the wiring check's findings.
QStringList reportLines(const GroupValues &values, LoadWindow window);

// The load angle lies this near an end of the window: the verdict is open.
inline constexpr double EdgeMargin = 5;

// Every angle of a reading may lie this many degrees off the form it fits.
inline constexpr double Tolerance = 15;
// A registered power below this share of the sum of U x I of the elements
// counts as none: the meter stops.
inline constexpr double StoppedShare = 0.005;

} // namespace WiringDiagnosis

#endif // WIRINGDIAGNOSIS_H
