// Group text to values: field positions, angle scaling, derived powers and
// the number texts of the table.

#include "view/groupvalues.h"
#include "view/numbertext.h"

#include <QtTest>

namespace {

// A four-wire group: 220 V, 1.5 A, power angle 30 degrees on phase A.
const QString fourWireGroup = QStringLiteral(
    "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 7");

QString withField(QString group, int index, const QString &value)
{
    QStringList fields = group.split(QLatin1Char(' '));
    fields[index] = value;
    return fields.join(QLatin1Char(' '));
}

} // namespace

class GroupValuesTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldsLandInTheirEntries();
    void derivedTexts_data();
    void derivedTexts();
    void fieldCount_data();
    void fieldCount();
    void doubledSpaceShiftsFields();
};

void GroupValuesTest::fieldsLandInTheirEntries()
{
    GroupValues v;
    QVERIFY(v.parse(fourWireGroup));
    QCOMPARE(v.frequency, 50.0);
    QCOMPARE(v.currentA, 1.5);
    QCOMPARE(v.currentN, 0.03);
    QCOMPARE(v.voltageC, 220.5);
    QCOMPARE(v.powerAngleA, 30.0);
    QCOMPARE(v.powerAngleC, 32.0);
    // The phase angles stand in the text as C>A, B>C, A>B.
    QCOMPARE(v.voltagePhaseCA, 240.0);
    QCOMPARE(v.voltagePhaseAB, 120.0);
    QCOMPARE(v.currentPhaseCA, 241.0);
    QCOMPARE(v.currentPhaseAB, 119.0);
    QCOMPARE(v.wiringCode, 2.0);
    QCOMPARE(v.spareField, 7.0);
    QVERIFY(v.isFourWire());
    QVERIFY(!v.isThreeWire());
    // entries() is the same record seen as 37 numbers.
    QCOMPARE(v.entry(13), v.voltagePhaseAB);
    QCOMPARE(v.entry(36), v.apparentPowerSum);
}

void GroupValuesTest::derivedTexts_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");

    // Power angle field 6 means 60 degrees; the rounded factor 0.01745 gives
    // 0.5002, not the exact 0.5000.
    const QString sixty = withField(fourWireGroup, 8, QStringLiteral("6"));
    QTest::newRow("angle 6 shown as 60.0") << sixty << 8 << 1 << "60.0";
    QTest::newRow("power factor of 60 degrees") << sixty << 19 << 4 << "0.5002";
    QTest::newRow("power factor of 90 degrees")
        << withField(fourWireGroup, 8, QStringLiteral("9")) << 19 << 4 << "0.0003";
    QTest::newRow("power factor of 0 degrees")
        << withField(fourWireGroup, 8, QStringLiteral("0")) << 19 << 4 << "1.0000";
    // 220 V x 1.5 A at 30 degrees.
    QTest::newRow("apparent power A") << fourWireGroup << 27 << 2 << "330.00";
    QTest::newRow("active power A") << fourWireGroup << 25 << 2 << "285.80";
    QTest::newRow("reactive power A") << fourWireGroup << 26 << 2 << "164.97";
    QTest::newRow("negative angle gives negative reactive power")
        << withField(fourWireGroup, 8, QStringLiteral("-3")) << 26 << 2 << "-164.97";
    // Sums are plain arithmetic sums of the three phases.
    GroupValues v;
    v.parse(fourWireGroup);
    QTest::newRow("apparent sum")
        << fourWireGroup << 36 << 2
        << NumberText::fixed(220 * 1.5 + 219.8 * 1.48 + 220.5 * 1.52, 2);
    QTest::newRow("letters count as 0")
        << withField(fourWireGroup, 5, QStringLiteral("abc")) << 5 << 2 << "0.00";
    QTest::newRow("letters make the powers 0")
        << withField(fourWireGroup, 5, QStringLiteral("abc")) << 25 << 2 << "0.00";
    QTest::newRow("inf is not a number") << withField(fourWireGroup, 5, QStringLiteral("inf"))
                                         << 5 << 2 << "0.00";
    QTest::newRow("nan is not a number") << withField(fourWireGroup, 9, QStringLiteral("nan"))
                                         << 20 << 4 << "1.0000";
    QTest::newRow("tiny current never in exponent form")
        << withField(fourWireGroup, 1, QStringLiteral("0.0000001")) << 1 << 4 << "0.0000";
    // Finite fields whose scaled angle or product overflows count as 0 too.
    QTest::newRow("angle 1e308 overflows when scaled")
        << withField(fourWireGroup, 8, QStringLiteral("1e308")) << 8 << 1 << "0.0";
    const QString hugeVoltage = withField(fourWireGroup, 5, QStringLiteral("1.7e308"));
    QTest::newRow("V x I beyond a double") << hugeVoltage << 27 << 2 << "0.00";
    QTest::newRow("... its active power") << hugeVoltage << 25 << 2 << "0.00";
    QTest::newRow("... the sum of the others")
        << hugeVoltage << 36 << 2 << NumberText::fixed(219.8 * 1.48 + 220.5 * 1.52, 2);
    QTest::newRow("sum beyond a double")
        << withField(withField(withField(fourWireGroup, 5, "1.5e308"), 6, "1.5e308"), 1, "1")
               .replace(" 1.48 ", " 1 ")
        << 36 << 2 << "0.00";
    QTest::newRow("large voltage in fixed notation")
        << withField(fourWireGroup, 5, QStringLiteral("1e7")) << 5 << 2 << "10000000.00";
}

void GroupValuesTest::derivedTexts()
{
    QFETCH(QString, group);
    QFETCH(int, entry);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    GroupValues v;
    QVERIFY(v.parse(group));
    QCOMPARE(NumberText::fixed(v.entry(entry), decimals), text);
}

void GroupValuesTest::fieldCount_data()
{
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<double>("wiringCode"); // after a group with code 2, spare 7

    QTest::newRow("16 fields are ignored") << 16 << false << 2.0;
    QTest::newRow("17 fields keep code and spare") << 17 << true << 2.0;
    QTest::newRow("18 fields") << 18 << true << 1.0;
    QTest::newRow("19 fields") << 19 << true << 1.0;
    QTest::newRow("fields after the 19th are ignored") << 25 << true << 1.0;
}

void GroupValuesTest::fieldCount()
{
    QFETCH(int, fields);
    QFETCH(bool, taken);
    QFETCH(double, wiringCode);

    GroupValues v;
    QVERIFY(v.parse(fourWireGroup));
    QStringList parts;
    for (int i = 0; i < fields; ++i)
        parts << (i == 17 ? QStringLiteral("1") : QStringLiteral("4"));
    QCOMPARE(v.parse(parts.join(QLatin1Char(' '))), taken);
    QCOMPARE(v.wiringCode, wiringCode);
    QCOMPARE(v.spareField, fields >= 19 ? 4.0 : 7.0);
    QCOMPARE(v.frequency, taken ? 4.0 : 50.0);
    QCOMPARE(v.voltageA, taken ? 4.0 : 220.0);
}

void GroupValuesTest::doubledSpaceShiftsFields()
{
    GroupValues v;
    // Leading blank: an empty first field, everything one position later.
    QVERIFY(v.parse(QLatin1Char(' ') + fourWireGroup));
    QCOMPARE(v.frequency, 0.0);
    QCOMPARE(v.currentA, 50.0);
    QCOMPARE(v.voltageA, 0.03);

    QString doubled = fourWireGroup;
    doubled.replace(QStringLiteral("1.5 "), QStringLiteral("1.5  "));
    QVERIFY(v.parse(doubled));
    QCOMPARE(v.currentA, 1.5);
    QCOMPARE(v.currentB, 0.0);
    QCOMPARE(v.currentC, 1.48);
}

QTEST_APPLESS_MAIN(GroupValuesTest)
#include "tst_groupvalues.moc"
