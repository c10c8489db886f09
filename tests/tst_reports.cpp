// Word and Excel reports exported through the real main window, read back
// as MIME documents: the template's structure kept, every value in its cell
// with its unit, the phase-sequence texts, the diagram of the group shown,
// and what happens when the file cannot be written.

#include "mainwindow.h"
#include "mimedocument.h"
#include "report/reporttemplate.h"
#include "windowdriver.h"

#include <QAction>
#include <QRegularExpression>
#include <QtTest>
#include <unistd.h>

namespace {

// Four-wire: 220 V, 1.5 A, 30 degrees on A; 50 Hz; voltage phase angles
// 120, 120, 120 and current phase angles 118, 121.5, 120.5 (A>B, B>C, C>A);
// phase C: 10 V x 2.5012 A at 120 degrees gives the active power -12.50 W.
const QByteArray fourWire =
    "50 1.5 1.48 2.5012 0.0000001 220 219.8 10 3 2.8 12 12 12 12 12.05 12.15 11.8 2 0";
// Three-wire: UAB 100.2 V, UCB 100.1 V, IAB 1.2 A, ICB 1.21 A.
const QByteArray threeWire = "49.98 1.2 0 1.21 0 100.2 0 100.1 2.5 0 2.6 6 0 0 6.1 0 0 1 0";

struct Export
{
    QString path;
    QByteArray bytes;
    MimeDocument document;
    QByteArray mainPart; // decoded HTML of the main part
};

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exportKeepsTemplateStructure_data();
    void exportKeepsTemplateStructure();
    void valuesInTheirCells_data();
    void valuesInTheirCells();
    void phaseSequenceTexts_data();
    void phaseSequenceTexts();
    void pictureIsTheDiagramShownNow();
    void pictureRightWithoutBufferPng();
    void cancelledExportDoesNothing();
    void failedExportIsReported_data();
    void failedExportIsReported();

private:
    // Opens a data file with the group, clicks it and exports.
    Export exportGroup(WindowDriver &driver, const QByteArray &group, const char *action,
                       const QString &name);
    QTemporaryDir *m_dir = nullptr;
    QString m_previousDir;
};

void ReportsTest::init()
{
    m_previousDir = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void ReportsTest::cleanup()
{
    QDir::setCurrent(m_previousDir);
    delete m_dir;
    m_dir = nullptr;
}

Export ReportsTest::exportGroup(WindowDriver &driver, const QByteArray &group, const char *action,
                                const QString &name)
{
    writeFile(m_dir->filePath(QStringLiteral("g.dat")), "3000\r\n" + group + "\r\n");
    driver.open(m_dir->filePath(QStringLiteral("g.dat")));
    driver.clickEntry(0);
    Export result;
    result.path = m_dir->filePath(name);
    driver.dialogs().chooseFile(result.path);
    driver.action(action)->trigger();
    result.bytes = readFile(result.path);
    result.document = MimeDocument::parse(result.bytes);
    if (!result.document.parts.isEmpty())
        result.mainPart = result.document.parts.first().body;
    return result;
}

void ReportsTest::exportKeepsTemplateStructure_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QString>("templatePath");
    QTest::addColumn<QString>("filter");
    QTest::newRow("Word 3x4") << fourWire << QByteArray("action_word") << ":/res/3x4doc.xml"
                              << "DOC文件 (*.doc)";
    QTest::newRow("Word 3x3") << threeWire << QByteArray("action_word") << ":/res/3x3doc.xml"
                              << "DOC文件 (*.doc)";
    QTest::newRow("Excel 3x4") << fourWire << QByteArray("action_excel") << ":/res/3x4xls.xml"
                               << "XLS文件 (*.xls)";
    QTest::newRow("Excel 3x3") << threeWire << QByteArray("action_excel") << ":/res/3x3xls.xml"
                               << "XLS文件 (*.xls)";
}

void ReportsTest::exportKeepsTemplateStructure()
{
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, action);
    QFETCH(QString, templatePath);
    QFETCH(QString, filter);

    WindowDriver driver;
    const Export report = exportGroup(driver, group, action.constData(), QStringLiteral("report"));
    QCOMPARE(driver.dialogs().fileDialogs.last().caption, tr("保存文件"));
    QCOMPARE(driver.dialogs().fileDialogs.last().nameFilters, QStringList{ filter });
    QVERIFY(driver.dialogs().fileDialogs.last().saving);
    // The name is used as the dialog returned it: no extension added.
    QCOMPARE(driver.dialogs().takeMessages(),
             QStringList{ tr("测试报告|文档%1导出成功！").arg(report.path) });

    QVERIFY2(report.document.isValid(), qPrintable(report.document.error));
    const QByteArray templateBytes = readFile(templatePath);
    const MimeDocument original = MimeDocument::parse(templateBytes);
    QVERIFY(original.isValid());
    QCOMPARE(report.document.boundary, original.boundary);
    QCOMPARE(report.document.headerNames(), original.headerNames());
    QVERIFY(report.document.closed);
    QCOMPARE(report.document.parts.size(), original.parts.size());
    for (int i = 0; i < original.parts.size(); ++i) {
        const MimeDocument::Part &part = report.document.parts.at(i);
        QCOMPARE(part.headerNames(), original.parts.at(i).headerNames());
        QCOMPARE(part.location(), original.parts.at(i).location());
        QCOMPARE(part.transferEncoding(), original.parts.at(i).transferEncoding());
        QCOMPARE(part.contentType(), original.parts.at(i).contentType());
        if (part.fileName() != "image001.jpg" && i != 0)
            QCOMPARE(part.rawBody, original.parts.at(i).rawBody); // untouched parts
    }
    // No placeholder is left anywhere.
    QVERIFY(!QString::fromLatin1(report.bytes).contains(QRegularExpression(QStringLiteral("%[0-9]"))));
    // Apart from the preamble, the file is the template's 7-bit text.
    const qsizetype preambleEnd = report.bytes.indexOf("\r\n------=_NextPart");
    for (qsizetype i = preambleEnd; i < report.bytes.size(); ++i)
        QVERIFY(uchar(report.bytes.at(i)) < 0x80);
    // The preamble's GBK bytes come out as UTF-8 of the Latin-1 characters.
    const qsizetype preambleStart = templateBytes.indexOf("\r\n\r\n") + 4;
    const QByteArray gbk = templateBytes.mid(preambleStart, templateBytes.indexOf('\r', preambleStart) - preambleStart);
    QVERIFY(report.bytes.contains(QString::fromLatin1(gbk).toUtf8()));
}

void ReportsTest::valuesInTheirCells_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::newRow("Word") << QByteArray("action_word");
    QTest::newRow("Excel") << QByteArray("action_excel");
}

void ReportsTest::valuesInTheirCells()
{
    QFETCH(QByteArray, action);
    // One window at a time: each driver answers every dialog it sees.
    auto driver = std::make_unique<WindowDriver>();
    const Export four = exportGroup(*driver, fourWire, action.constData(), QStringLiteral("four"));
    const QByteArray &html = four.mainPart;
    for (const char *text : { "220.00V", "219.80V", "10.00V", "1.5000A", "1.4800A", "2.5012A",
                              "0.0000A", "30.0&deg;", "28.0&deg;", "120.0&deg;", "50.00Hz",
                              "-12.50W", "285.80W", "164.97Var", "330.00VA", "25.01VA",
                              "118.0&deg;", "121.5&deg;", "120.5&deg;" })
        QVERIFY2(html.contains(text), text);
    QVERIFY(!html.contains("e-0"));
    QVERIFY(!html.contains("e+"));

    // Three-wire: phases A and C only; the CB>AB columns carry the C>A angles.
    driver = std::make_unique<WindowDriver>();
    const Export three = exportGroup(*driver, threeWire, action.constData(), QStringLiteral("three"));
    for (const char *text : { "100.20V", "100.10V", "1.2000A", "1.2100A", "25.0&deg;",
                              "26.0&deg;", "49.98Hz", "60.0&deg;", "61.0&deg;" })
        QVERIFY2(three.mainPart.contains(text), text);
    // Row 电流相位: AB>CB then CB>AB, with CB>AB the C>A angle 61.0.
    const qsizetype ab = three.mainPart.indexOf(">0.0&deg;");
    QVERIFY(ab >= 0);
    QVERIFY(three.mainPart.indexOf("61.0&deg;", ab) > ab);
}

void ReportsTest::phaseSequenceTexts_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QByteArrayList>("texts");
    const QByteArray opener = "<p class=MsoNormal align=center style='text-align:center'><span "
                              "lang=EN-US style='font-size:10.5pt;mso-bidi-font-size:12.0pt'>";
    QTest::newRow("Word 3x4") << fourWire << QByteArray("action_word")
                              << QByteArrayList{ "UA~UB:120.0&deg;" + opener + "UB~UC:120.0&deg;</span></p>"
                                                     + opener + "UC~UA:120.0&deg;</span></p>",
                                                 "IA~IB:118.0&deg;" + opener + "IB~IC:121.5&deg;</span></p>"
                                                     + opener + "IC~IA:120.5&deg;</span></p>" };
    QTest::newRow("Excel 3x4") << fourWire << QByteArray("action_excel")
                               << QByteArrayList{ "UA~UB:120.0&deg;UB~UC:120.0&deg;UC~UA:120.0&deg;",
                                                  "IA~IB:118.0&deg;IB~IC:121.5&deg;IC~IA:120.5&deg;" };
    QTest::newRow("Word 3x3") << threeWire << QByteArray("action_word")
                              << QByteArrayList{ "UAB~UCB:0.0&deg;" + opener + "UCB~UAB:60.0&deg;</span></p>",
                                                 "IAB~ICB:0.0&deg;" + opener + "ICB~IAB:61.0&deg;</span></p>" };
    QTest::newRow("Excel 3x3") << threeWire << QByteArray("action_excel")
                               << QByteArrayList{ "UAB~UCB:0.0&deg;UCB~UAB:60.0&deg;",
                                                  "IAB~ICB:0.0&deg;ICB~IAB:61.0&deg;" };
}

void ReportsTest::phaseSequenceTexts()
{
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, action);
    QFETCH(QByteArrayList, texts);
    WindowDriver driver;
    const Export report = exportGroup(driver, group, action.constData(), QStringLiteral("r"));
    for (const QByteArray &text : texts)
        QVERIFY2(report.mainPart.contains(text), text.constData());
}

void ReportsTest::pictureIsTheDiagramShownNow()
{
    WindowDriver driver;
    Export report = exportGroup(driver, fourWire, "action_word", QStringLiteral("a.doc"));
    const int picture = report.document.indexOf("image001.jpg");
    QVERIFY(picture > 0);
    const QByteArray raw = report.document.parts.at(picture).rawBody.trimmed();
    QVERIFY(!raw.contains('\n')); // one line of base64
    QCOMPARE(QByteArray::fromBase64(raw).toBase64(), raw);
    QCOMPARE(report.document.parts.at(picture).contentType(), QByteArray("image/jpeg"));
    QImage image;
    QVERIFY(image.loadFromData(report.document.parts.at(picture).body, "PNG"));
    QCOMPARE(image.size(), QSize(600, 600));
    const QImage shown = PhasorDiagram::paintPhasors(QSize(600, 600), PhasorDiagram::backgroundColour(),
                                                     QApplication::font(), driver.window().shownValues(),
                                                     { true, true });
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32), shown);
    // The same picture that "buffer.png" holds.
    QImage buffer(QStringLiteral("buffer.png"));
    QCOMPARE(buffer.convertToFormat(QImage::Format_RGB32), shown);

    // After a change of orientation the report carries the new picture.
    driver.clickRadio("NRadioButton");
    driver.clickRadio("DRadioButton");
    driver.dialogs().chooseFile(m_dir->filePath(QStringLiteral("b.xls")));
    driver.action("action_excel")->trigger();
    const MimeDocument turned = MimeDocument::parse(readFile(m_dir->filePath(QStringLiteral("b.xls"))));
    QVERIFY(image.loadFromData(turned.parts.at(turned.indexOf("image001.jpg")).body, "PNG"));
    const QImage expected = PhasorDiagram::paintPhasors(QSize(600, 600), PhasorDiagram::backgroundColour(),
                                                        QApplication::font(),
                                                        driver.window().shownValues(), { false, false });
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32), expected);
    QVERIFY(expected != shown);
}

void ReportsTest::pictureRightWithoutBufferPng()
{
    // A working directory where "buffer.png" cannot be written (here a
    // folder of that name stands in its way), and a stale picture elsewhere.
    QVERIFY(QDir().mkpath(QStringLiteral("buffer.png")));
    WindowDriver driver;
    const Export report = exportGroup(driver, threeWire, "action_excel", QStringLiteral("c.xls"));
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ tr("测试报告|文档%1导出成功！").arg(report.path) });
    QVERIFY(QFileInfo(QStringLiteral("buffer.png")).isDir());
    QImage image;
    QVERIFY(image.loadFromData(report.document.parts.at(report.document.indexOf("image001.jpg")).body, "PNG"));
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
             PhasorDiagram::paintPhasors(QSize(600, 600), PhasorDiagram::backgroundColour(),
                                         QApplication::font(), driver.window().shownValues(), {}));
}

void ReportsTest::cancelledExportDoesNothing()
{
    WindowDriver driver;
    writeFile(m_dir->filePath(QStringLiteral("g.dat")), "3000\r\n" + fourWire + "\r\n");
    driver.open(m_dir->filePath(QStringLiteral("g.dat")));
    driver.clickEntry(0);
    const QByteArray buffer = readFile(QStringLiteral("buffer.png"));
    const QStringList before = QDir::current().entryList(QDir::Files);
    for (const char *action : { "action_word", "action_excel" }) {
        driver.dialogs().cancelFileDialog();
        driver.action(action)->trigger();
    }
    QCOMPARE(driver.dialogs().fileDialogs.size(), 3);
    QVERIFY(driver.dialogs().messages.isEmpty());
    QCOMPARE(QDir::current().entryList(QDir::Files), before);
    QCOMPARE(readFile(QStringLiteral("buffer.png")), buffer);
}

void ReportsTest::failedExportIsReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder is a file") << "file-as-folder";
    QTest::newRow("name of a folder") << "folder";
    QTest::newRow("read-only folder") << "read-only";
}

void ReportsTest::failedExportIsReported()
{
    QFETCH(QString, how);
    QString target;
    if (how == QLatin1String("file-as-folder")) {
        writeFile(m_dir->filePath(QStringLiteral("plain")), "x");
        target = m_dir->filePath(QStringLiteral("plain/report.doc"));
    } else if (how == QLatin1String("folder")) {
        target = m_dir->filePath(QStringLiteral("existing.doc"));
        QVERIFY(QDir().mkpath(target));
    } else {
        if (geteuid() == 0)
            QSKIP("root can write into read-only folders; the other rows cover the failure");
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("locked"))));
        target = m_dir->filePath(QStringLiteral("locked/report.doc"));
        writeFile(target, "an earlier report");
        QVERIFY(QFile::setPermissions(m_dir->filePath(QStringLiteral("locked")),
                                      QFile::ReadOwner | QFile::ExeOwner));
    }
    WindowDriver driver;
    writeFile(m_dir->filePath(QStringLiteral("g.dat")), "3000\r\n" + fourWire + "\r\n");
    driver.open(m_dir->filePath(QStringLiteral("g.dat")));
    driver.clickEntry(0);
    driver.dialogs().chooseFile(target);
    driver.action("action_word")->trigger();
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ tr("测试报告|文档%1导出失败！").arg(target) });
    if (how == QLatin1String("read-only")) {
        QCOMPARE(readFile(target), QByteArray("an earlier report"));
        QCOMPARE(QDir(m_dir->filePath(QStringLiteral("locked"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{ "report.doc" });
        QFile::setPermissions(m_dir->filePath(QStringLiteral("locked")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else if (how == QLatin1String("folder")) {
        QVERIFY(QFileInfo(target).isDir());
    }
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
