// Group text to values: field positions, angle scaling, field counts, fields
// that are not numbers and figures beyond a double. The derived power
// figures of ordinary groups are read in the window test's table.

#include "view/groupvalues.h"
#include "view/numbertext.h"

#include <QtTest>

namespace {

// Four-wire: 220 V x 1.5 A at 30 degrees on phase A; spare field 7.
const QString fourWire = QStringLiteral(
    "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 7");

QString withField(int index, const QString &value, QString group = fourWire)
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
    void entries_data();
    void entries();
};

void GroupValuesTest::entries_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");

    // Fields in text order; angles stand as C>A, B>C, A>B, in tenths.
    const int decimals[] = { 2, 4, 4, 4, 4, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0 };
    const QStringList fields{ "50.00", "1.5000", "1.4800", "1.5200", "0.0300", "220.00",
                              "219.80", "220.50", "30.0", "28.0", "32.0", "240.0", "120.0",
                              "120.0", "241.0", "120.0", "119.0", "2", "7" };
    for (int i = 0; i < fields.size(); ++i)
        QTest::addRow("field %d", i) << fourWire << i << decimals[i] << fields[i];
    QTest::newRow("negative angle: negative reactive power")
        << withField(8, "-3") << 26 << 2 << "-164.97";
    // Leading blank: an empty first field, everything one position later.
    QTest::newRow("leading blank") << " " + fourWire << 5 << 2 << "0.03";
    QTest::newRow("letters count as 0") << withField(5, "abc") << 25 << 2 << "0.00";
    // With 18 fields the spare field stays; fields beyond the 19th are ignored.
    const auto fours = [](int count) { return QString("4 ").repeated(count).trimmed(); };
    QTest::newRow("18 fields keep the spare field") << fours(18) << 18 << 0 << "7";
    QTest::newRow("19 fields") << fours(19) << 18 << 0 << "4";
    QTest::newRow("25 fields") << fours(25) << 36 << 0 << "48";
    // Finite fields whose scaled angle or product overflows count as 0 too.
    QTest::newRow("angle 1e308 overflows when scaled") << withField(8, "1e308") << 8 << 1 << "0.0";
    const QString hugeVoltage = withField(5, "1.7e308");
    QTest::newRow("V x I beyond a double") << hugeVoltage << 27 << 2 << "0.00";
    QTest::newRow("... the sum of the others") << hugeVoltage << 36 << 2 << "660.46";
    QTest::newRow("sum beyond a double")
        << withField(2, "1", withField(6, "1.5e308", withField(1, "1", withField(5, "1.5e308"))))
        << 36 << 2 << "0.00";
}

void GroupValuesTest::entries()
{
    QFETCH(QString, group);
    QFETCH(int, entry);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    GroupValues v;
    QVERIFY(v.parse(fourWire));
    v.parse(group);
    QCOMPARE(NumberText::fixed(v.entry(entry), decimals), text);
}

QTEST_APPLESS_MAIN(GroupValuesTest)
#include "tst_groupvalues.moc"
