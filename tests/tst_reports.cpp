// Word and Excel reports exported through the real main window and read back
// with Python's mail parser: the template's parts kept, every value in its
// cell with its unit, the phase-sequence texts, the diagram of the group
// shown, and what happens when the file cannot be written.

#include "windowdriver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

// Four-wire: 220 V x 1.5 A at 30 degrees on A; phase C 10 V x 2.5012 A at
// 120 degrees gives -12.50 W; phase angles 120, 120, 120 and 118, 121.5, 120.5.
const QByteArray fourWire =
    "50 1.5 1.48 2.5012 0.0000001 220 219.8 10 3 2.8 12 12 12 12 12.05 12.15 11.8 2 0";
// Three-wire: UAB 100.2 V, UCB 100.1 V, IAB 1.2 A, ICB 1.21 A.
const QByteArray threeWire = "49.98 1.2 0 1.21 0 100.2 0 100.1 2.5 0 2.6 6 0 0 6.1 0 0 1 0";

struct Part
{
    QStringList headers; // "Name: value"
    QByteArray body;     // decoded
};

// The parts of a MIME document as Python's mail parser reads them.
QList<Part> mimeParts(const QString &path)
{
    QList<Part> parts;
    for (const QJsonValue &part : QJsonDocument::fromJson(outputOf("python3", { DM_MIMEPARTS, path })).array())
        parts.append({ part["headers"].toVariant().toStringList(),
                       QByteArray::fromBase64(part["body"].toString().toLatin1()) });
    return parts;
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); QVERIFY(QDir::setCurrent(m_dir->path())); }
    void exports_data();
    void exports();
    void failedOrCancelledExport_data();
    void failedOrCancelledExport();

private:
    void showGroup(WindowDriver &driver, const QByteArray &group);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void ReportsTest::showGroup(WindowDriver &driver, const QByteArray &group)
{
    writeFile(m_dir->filePath("g.dat"), dataFile({ group }));
    driver.open(m_dir->filePath("g.dat"));
    driver.clickEntry(0);
}

void ReportsTest::exports_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QString>("templatePath");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QByteArrayList>("texts"); // in the main part, in this order

    const QByteArray p = "<p class=MsoNormal align=center style='text-align:center'><span "
                         "lang=EN-US style='font-size:10.5pt;mso-bidi-font-size:12.0pt'>";
    const QByteArray e = "</span></p>";
    // Values in their cells, phase sequences after the first voltage and current.
    const auto four = [](const QByteArray &u, const QByteArray &i) {
        return QByteArrayList{ "220.00V", u, "219.80V", "10.00V", "1.5000A", i, "1.4800A",
                               "2.5012A", "0.0000A", "30.0&deg;", "28.0&deg;", "285.80W",
                               "-12.50W", "164.97Var", "330.00VA", "25.01VA", "50.00Hz" };
    };
    const auto three = [](const QByteArray &u, const QByteArray &i) {
        return QByteArrayList{ "100.20V", u, "100.10V", "1.2000A", i, "1.2100A", "25.0&deg;",
                               "26.0&deg;", "49.98Hz" };
    };
    QTest::newRow("Word 3x4") << fourWire << QByteArray("action_word") << ":/res/3x4doc.xml"
                              << "DOC文件 (*.doc)"
                              << four("UA~UB:120.0&deg;" + p + "UB~UC:120.0&deg;" + e + p + "UC~UA:120.0&deg;" + e,
                                      "IA~IB:118.0&deg;" + p + "IB~IC:121.5&deg;" + e + p + "IC~IA:120.5&deg;" + e);
    QTest::newRow("Word 3x3") << threeWire << QByteArray("action_word") << ":/res/3x3doc.xml"
                              << "DOC文件 (*.doc)"
                              << three("UAB~UCB:0.0&deg;" + p + "UCB~UAB:60.0&deg;" + e,
                                       "IAB~ICB:0.0&deg;" + p + "ICB~IAB:61.0&deg;" + e);
    QTest::newRow("Excel 3x4") << fourWire << QByteArray("action_excel") << ":/res/3x4xls.xml"
                               << "XLS文件 (*.xls)"
                               << four("UA~UB:120.0&deg;UB~UC:120.0&deg;UC~UA:120.0&deg;",
                                       "IA~IB:118.0&deg;IB~IC:121.5&deg;IC~IA:120.5&deg;");
    QTest::newRow("Excel 3x3") << threeWire << QByteArray("action_excel") << ":/res/3x3xls.xml"
                               << "XLS文件 (*.xls)"
                               << three("UAB~UCB:0.0&deg;UCB~UAB:60.0&deg;", "IAB~ICB:0.0&deg;ICB~IAB:61.0&deg;");
}

void ReportsTest::exports()
{
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, action);
    QFETCH(QString, templatePath);
    QFETCH(QString, filter);
    QFETCH(QByteArrayList, texts);

    WindowDriver driver;
    showGroup(driver, group);
    // A name typed without extension gets the report's.
    const QString path = m_dir->filePath(action == "action_word" ? "report.doc" : "report.xls");
    driver.dialogs().chooseFile(m_dir->filePath("report"));
    driver.action(action.constData())->trigger();
    QCOMPARE(driver.dialogs().fileDialogs.last().caption, QStringLiteral("保存文件"));
    QCOMPARE(driver.dialogs().fileDialogs.last().nameFilters, QStringList{ filter });
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "测试报告|文档" + path + "导出成功！" });

    // The template's parts, with their headers; only the main part and the
    // picture change.
    QFile::copy(templatePath, "template");
    // Made from the tables the PDF page lays out too.
    outputOf("python3", { DM_MAKE_TEMPLATES, "made" });
    QCOMPARE(readFile("made/" + QFileInfo(templatePath).fileName()), readFile("template"));
    const QList<Part> original = mimeParts("template");
    const QList<Part> report = mimeParts(path);
    QVERIFY(original.size() >= 3 && report.size() == original.size());
    for (int i = 0; i < report.size(); ++i) {
        QCOMPARE(report[i].headers, original[i].headers);
        if (i > 1)
            QCOMPARE(report[i].body, original[i].body);
    }
    const QByteArray html = report[0].body;
    qsizetype at = 0;
    for (const QByteArray &text : texts) {
        at = html.indexOf(text, at);
        QVERIFY2(at >= 0, text.constData());
    }
    QVERIFY(!QRegularExpression("%[0-9]|e[-+]0").match(QString::fromLatin1(html)).hasMatch());
    // The file is UTF-8 of the template's one-byte characters: 7-bit but the
    // GBK preamble, whose bytes come out as two-byte sequences.
    const QByteArray bytes = readFile(path);
    const QByteArray templateBytes = readFile("template");
    QCOMPARE(bytes.left(bytes.indexOf("\r\n------=")), QString::fromLatin1(templateBytes.left(templateBytes.indexOf("\r\n------="))).toUtf8());

    // The picture is the diagram shown, as "buffer.png" holds it, in the
    // orientation chosen when exporting; "buffer.png" itself is not read.
    const auto picture = [](const QByteArray &png) {
        return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    };
    QCOMPARE(picture(report[1].body).size(), QSize(600, 600));
    QCOMPARE(picture(report[1].body), picture(readFile("buffer.png")));
    driver.clickRadio("NRadioButton");
    driver.clickRadio("DRadioButton");
    const QImage turned = picture(readFile("buffer.png"));
    QVERIFY(turned != picture(report[1].body));
    QVERIFY(QFile::remove("buffer.png") && QDir().mkpath("buffer.png"));
    driver.dialogs().chooseFile(path);
    driver.action(action.constData())->trigger();
    QCOMPARE(picture(mimeParts(path).value(1).body), turned);
}

void ReportsTest::failedOrCancelledExport_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("cancelled") << "";
    QTest::newRow("folder is a file") << "old.doc/report.doc";
}

void ReportsTest::failedOrCancelledExport()
{
    QFETCH(QString, target);
    writeFile(m_dir->filePath("old.doc"), "an earlier report");
    WindowDriver driver;
    showGroup(driver, fourWire);
    const QStringList before = QDir::current().entryList(QDir::AllEntries | QDir::Hidden);
    for (const char *action : { "action_word", "action_excel" }) {
        driver.dialogs().chooseFile(target.isEmpty() ? QString() : m_dir->filePath(target));
        driver.action(action)->trigger();
    }
    const QString failed = "测试报告|文档" + m_dir->filePath(target) + "导出失败！";
    const QStringList messages = target.isEmpty() ? QStringList() : QStringList{ failed, failed };
    QCOMPARE(driver.dialogs().takeMessages(), messages);
    QCOMPARE(QDir::current().entryList(QDir::AllEntries | QDir::Hidden), before);
    QCOMPARE(readFile(m_dir->filePath("old.doc")), QByteArray("an earlier report"));
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
