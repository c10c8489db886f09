#ifndef ENERGYREFUND_H
#define ENERGYREFUND_H

#include "wiringdiagnosis.h"
#include "wiringforms.h"

#include <QString>
#include <QStringList>
#include <array>
#include <limits>
#include <optional>

struct GroupValues;

// The energy to settle for a wrongly wired meter, two ways, each with a
// worst-case interval:
// - from the registers of the period: on a balanced supply and load the
//   meter's complex power is the true one times a constant c of the form,
//   so W(true) = Re((W'P + jW'Q) / c) whatever the load angle did; its
//   interval comes from the meter's accuracy classes;
// - from K at the moment of the test: W(true) = K W'P, which holds only if
//   the load angle stayed as it was; its interval comes from the
//   instrument's accuracy.
// Energies in kWh (kvarh), signed; ΔW = W(true) - billed, positive to be
// recovered (应补收), negative to be refunded (应退还).
namespace EnergyRefund {

inline constexpr double NotGiven = std::numeric_limits<double>::quiet_NaN();

// The registers of an electronic meter, in the order they are entered.
enum Register { ActiveImport, ActiveExport, ReactiveQ1, ReactiveQ2, ReactiveQ3, ReactiveQ4, RegisterCount };
// "正向有功", "反向有功", "无功Ⅰ象限", …
QString registerName(int reg);
// "kWh" or "kvarh".
QString registerUnit(int reg);

// What the meter registered over the period, each register's increase;
// NaN where not read (0 is a reading). billed: the energy billed for the
// period, NaN when not given.
struct PeriodRegisters
{
    std::array<double, RegisterCount> energy{ NotGiven, NotGiven, NotGiven, NotGiven, NotGiven, NotGiven };
    double billed = NotGiven;

    bool hasActive() const;   // 正向 and 反向 read
    bool hasReactive() const; // all four quadrants read
    bool any() const;         // any register or the billed energy
    double activeNet() const;   // W'P = 正向 - 反向
    double reactiveNet() const; // W'Q = QⅠ + QⅡ - QⅢ - QⅣ
    // What a meter's error is a share of: every register that went into the net.
    double activeTurnover() const;
    double reactiveTurnover() const;
};

// The registers as typed: each register's start and end readings, or its
// increase alone (differences, in end); the billed energy.
struct Entries
{
    bool differences = false;
    std::array<QString, RegisterCount> start;
    std::array<QString, RegisterCount> end;
    QString billed;
};

// The registers of the entries, or what is wrong with them, in words
// (problem; then no registers). Nothing typed at all: neither.
struct Parsed
{
    std::optional<PeriodRegisters> registers;
    QString problem;
};
Parsed parse(const Entries &entries);

// A number as typed (C locale, surrounding blanks allowed); nullopt for
// an empty text, NaN for a text that is no finite number.
std::optional<double> typedNumber(const QString &text);

// How exactly the instrument measures (each angle within ±angle degrees,
// each voltage and current within ±magnitude percent of its reading, all
// independently) and the meter registers (its classes, percent).
struct Accuracy
{
    double angle = 1;
    double magnitude = 0.5;
    double activeClass = 1;
    double reactiveClass = 2;

    // Empty when usable, else what is wrong, in words.
    QString problem() const;
    // "角度±1°，电压、电流±0.5%"
    QString instrumentText() const;
    // "有功1级，无功2级"
    QString meterText() const;
};
// Limits of what may be entered: an angle beyond the window's margin would
// let the error carry a reading across to the form beyond the edge.
inline constexpr double MostAngle = WiringDiagnosis::EdgeMargin;
inline constexpr double MostMagnitude = 5;
inline constexpr double MostClass = 5;

struct Interval
{
    double low = NotGiven;
    double high = NotGiven;
    bool known() const { return low == low && high == high; }
};

// K's worst-case interval for the form over the instrument's accuracy, by
// interval arithmetic on K = P(correct) / P(registered); unknown where
// the registered power's interval holds 0 (K cannot be told from this
// reading), or for a form of another system.
Interval kInterval(const GroupValues &values, const WiringForms::Form &form, const Accuracy &accuracy);

// The largest departure of an element's voltage (and current) from the
// elements' mean, as a share of it. The registers method assumes balance.
struct Unbalance
{
    double voltage = 0;
    double current = 0;
    bool beyond() const;
};
Unbalance unbalanceOf(const GroupValues &values);
inline constexpr double VoltageUnbalanceLimit = 0.02;
inline constexpr double CurrentUnbalanceLimit = 0.10;

// The settlement of one form by one method. known false: reason says why.
struct Settlement
{
    bool known = false;
    QString reason;
    double trueEnergy = NotGiven;
    Interval trueRange;
    double k = NotGiven; // the K the true energy implies (from the registers)
    Interval kRange;
    double refund = NotGiven; // NaN without the billed energy
    Interval refundRange;
};

// From the registers; needs W'P, and W'Q unless c is real.
Settlement fromRegisters(const WiringForms::Form &form, const PeriodRegisters &registers,
                         const Accuracy &accuracy);
// From K: W(true) = K W'; billed NaN: ΔW unknown.
Settlement fromSnapshot(double k, const Interval &kRange, double registered, double billed);

// 应补收, 应退还 or 无需退补, by the sign; where the interval holds 0,
// with 方向不能确定 after it.
QString direction(double refund, const Interval &range = {});

// "0.825（0.812～0.838）"; "1.000"; the interval unknown: "0.825（不能由此读数确定范围）".
QString kWithRange(double k, const Interval &range);

// K of each form named with its interval, "0.825（0.812～0.838）", two at an
// edge of the window joined by 或; "∞" for a meter standing still, "不能确定"
// where the interval of the registered power holds 0; empty for no form.
QString kRangeText(const GroupValues &values, const WiringDiagnosis::Diagnosis &diagnosis, const Accuracy &accuracy);

// The refund in lines for the dialog and section (5) of a report: per form
// named (two at an edge of the window), from the registers where given,
// then from K, which the settlement should take and why, the unbalance.
// Without registers, only K's interval.
QStringList refundLines(const GroupValues &values, const WiringDiagnosis::Diagnosis &diagnosis,
                        const std::optional<PeriodRegisters> &registers, const Accuracy &accuracy);

// The refund of 检测结论 in one sentence, with its direction, interval and
// method; empty without registers or where nothing can be settled.
QString conclusionSentence(const GroupValues &values, const WiringDiagnosis::Diagnosis &diagnosis,
                           const PeriodRegisters &registers, const Accuracy &accuracy);

} // namespace EnergyRefund

#endif // ENERGYREFUND_H
