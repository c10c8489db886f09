// PDF reports exported through the real main window and read back with
// poppler-utils: pages, every value of each page, the header and the page
// numbers, the totals, the embedded Chinese font, the diagram's arrows, the
// same pages printed through the preview, and an existing file kept when an
// export stops.

#include "toolsettings.h"
#include "reportinfodialog.h"
#include "filesizelimit.h"
#include "windowdriver.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// 220 V x 1.5 A at 30 degrees: 330.00 VA, 285.80 W, 164.97 var (cos and sin
// of 30 x 0.01745); B 219.8 x 1.48 at 28, C 220.5 x 1.52 at 32. Voltages 120
// and 240 degrees after UA, currents 118, 121.5 and 240.5.
const QByteArray fourWire = "50 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.05 12.15 11.8 2 0";
const QString question = "导出PDF|导出当前显示的组，还是列表中的全部组？";
// Texts of each page; "~" starts a pattern of the column beside the diagram
// with its spaces and line breaks taken out: the wiring diagnosis and the
// check's findings in order.
const QStringList fourWireTexts = {
    "测试报告", "第1组", "UN", "220.00V", "219.80V", "220.50V", "1.5000A", "1.4800A", "1.5200A", "0.0300A",
    "30.0°", "28.0°", "32.0°", "ΣP=857.30W", "ΣQ=495.24Var", "ΣS=990.46VA", "ΣP/ΣS=0.8655", "285.80W", "287.24W", "284.25W", "164.97Var", "152.69Var",
    "177.58Var", "330.00VA", "325.30VA", "335.16VA", "50.00Hz", "UA→UB 120.0°", "UB→UC 120.0°",
    "UA→UC 240.0°", "IA→IB 118.0°", "IB→IC 121.5°", "IA→IC 240.5°", "A→C", "UA→IA", "检测结论：电能表接线正确。",
    "检测人：", "用户：", "日期：",
    "~（5）接线检查接线形式：\\[Ua,Ia\\]\\[Ub,Ib\\]\\[Uc,Ic\\]（正确接线，负载角30.0°，按感性0°～60°判定）"
    "更正系数K：1.000【正常】未发现接线异常【正常】电压正相序[^【]*【正常】电流正相序" };
// The totals add the unrounded phases: 285.8047 + 287.2405 + 284.2505 W,
// 164.97 + 152.69 + 177.58 var, 330 + 325.304 + 335.16 VA; 857.2957 / 990.464.
// UAB 100.2 V x IAB 1.2 A at 25 degrees, UCB 100.1 V x ICB 1.21 A at 26,
// 60 degrees after UAB: read as [Uac,Ia][Ubc,-Ic] at 55.5, where the correct
// wiring registers Re((U1 - U2) I1*) + Re(U2 I2*), 0.548 of what it does; so
// near the default window's end that [Uba,-Ia][Uca,Ic] at -4.5 is named too,
// and no change is asked for.
// Totals: 108.98 + 108.87 W, 50.81 + 53.09 var, 120.24 + 121.121 VA, of the
// two elements shown: the B fields (an instrument may fill them) stay out.
const QByteArray threeWire = "49.98 1.2 0.5 1.21 0 100.2 50 100.1 2.5 1 2.6 6 0 0 6.1 0 0 1 0";
const QStringList threeWireTexts = {
    "测试报告", "第2组", "ΣP=217.85W", "ΣQ=103.89Var", "ΣS=241.36VA", "ΣP/ΣS=0.9026", "Pab", "100.20V", "100.10V", "1.2000A", "1.2100A", "25.0°", "26.0°", "108.98W",
    "108.87W", "50.81Var", "53.09Var", "120.24VA", "121.12VA", "49.98Hz", "UAB→UCB 60.0°",
    "IA→IC 61.0°", "AB→CB", "检测结论：负载角接近判定范围边界，接线为[Uac,Ia][Ubc,-Ic]或[Uba,-Ia][Uca,Ic]",
    "~\\(5\\)接线检查接线形式：负载角接近判定范围边界（按感性0°～60°判定），以下两种接线形式读数相同，请结合现场负荷性质判断"
    "\\[Uac,Ia\\]\\[Ubc,-Ic\\]（错误接线）：负载角55.5°，K=0.548\\[Uba,-Ia\\]\\[Uca,Ic\\]（错误接线）：负载角-4.5°，K=0.961"
    "【异常】电压逆相序[^【]*【提示】电流相序不能判断" };

// UC 5 V, below a tenth of the highest: lost, dashed and so labelled.
const QByteArray lostVoltage = "50 1.5 1.48 1.52 0.03 220 219.8 5 3 2.8 3.2 24 12 12 24.05 12.15 11.8 2 0";
const QStringList lostTexts = { "第3组", "5.00V", "Uc（失压）" };

QString run(const QString &program, const QStringList &arguments)
{
    return QString::fromUtf8(outputOf(program, arguments));
}

// 报告信息 as typed; the header shows the fields, the date as yyyy-MM-dd.
using Fields = QMap<QString, QString>;
const Fields info = { { "customer", "华东钢厂" }, { "site", "3号配电室" }, { "meterNumber", "M-0042" },
                      { "tester", "李工" }, { "date", "2026-03-09" } };
const QStringList header = { "用户名称：华东钢厂", "安装地点：3号配电室", "电能表编号：M-0042",
                             "检测人：李工", "检测日期：2026-03-09" };
Fields with(Fields fields, const QString &key, const QString &value)
{
    fields.insert(key, value);
    return fields;
}

} // namespace

class PdfReportTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(m_dir->path());
        ToolSettings().clear(); // 报告信息 kept from an earlier test
    }
    void pagesAndValues_data();
    void pagesAndValues();
    void existingFileKept_data();
    void existingFileKept();
    void reportInformation();

private:
    // Opens a data file of the groups, clicks a row and radio buttons ("N"
    // for NRadioButton, ...) and presses 导出PDF.
    void exportPdf(WindowDriver &driver, const QList<QByteArray> &groups, int row,
                   const QString &button, const QString &name, const QByteArray &radios = {},
                   const char *action = "action_pdf")
    {
        writeFile(path("g.dat"), dataFile(groups));
        driver.open(path("g.dat"));
        driver.clickEntry(row);
        for (char radio : radios)
            driver.clickRadio((radio + QByteArray("RadioButton")).constData());
        driver.dialogs().pressButton(button);
        driver.dialogs().chooseFile(path(name));
        driver.action(action)->trigger();
    }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void PdfReportTest::pagesAndValues_data()
{
    QTest::addColumn<QList<QByteArray>>("groups");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("pages");      // group numbers
    QTest::addColumn<QByteArray>("radios");     // "N" for NRadioButton, ...
    // Where UA, UB, UC, then IA, IB, IC (yellow, green, red) point on the
    // first page, in degrees clockwise from twelve o'clock; none for a
    // three-wire group. IA lags UA by 30, IB and IC follow 118 and 240.5 on.
    QTest::addColumn<QList<int>>("directions");
    QTest::addColumn<QList<Fields>>("answers");  // 报告信息 as typed, a refused one first
    QTest::addColumn<QStringList>("primary");    // the primary-side totals per page, or ""
    QTest::addColumn<QByteArray>("action");
    // Ratios 200/5 and 10kV/100V multiply by 4000, printed as on the
    // nameplate with their multipliers; 40 alone by 40.
    const Fields ratios = with(with(info, "currentRatio", "200/5"), "voltageRatio", "10kV/100V");
    const QString printed = "电流互感器变比 200/5（×40）  电压互感器变比 10kV/100V（×100）  ";
    const QString fourWirePrimary = printed + "一次侧：ΣP=3429.18kW  ΣQ=1980.98kvar  ΣS=3961.86kVA";
    const QString threeWirePrimary = printed + "一次侧：ΣP=871.38kW  ΣQ=415.57kvar  ΣS=965.44kVA";
    QTest::newRow("one group, counter-clockwise, zero at three, a ratio refused")
        << QList<QByteArray>{ fourWire } << 0 << "" << QList<int>{ 1 } << QByteArray("ND") << QList<int>{ 90, 330, 210, 60, 302, 180 }
        << QList<Fields>{ with(info, "currentRatio", "200/5V"), with(info, "currentRatio", "") } << QStringList{ "" } << QByteArray("action_pdf");
    QTest::newRow("current") << QList<QByteArray>{ fourWire, threeWire } << 1 << "当前组" << QList<int>{ 2 }
                             << QByteArray() << QList<int>() << QList<Fields>{ with(info, "currentRatio", " 40 ") }
                             << QStringList{ "电流互感器变比 ×40  一次侧：ΣP=8.71kW  ΣQ=4.16kvar  ΣS=9.65kVA" } << QByteArray("action_pdf");
    // 4000 x (285.8047 + 287.2405 + 5 x 1.52 x cos 32), ...
    QTest::newRow("all") << QList<QByteArray>{ fourWire, threeWire, lostVoltage } << 0 << "全部组" << QList<int>{ 1, 2, 3 }
                         << QByteArray("SL") << QList<int>{ 0, 120, 240, 30, 148, 270 } << QList<Fields>{ ratios }
                         << QStringList{ fourWirePrimary, threeWirePrimary, printed + "一次侧：ΣP=2317.96kW  ΣQ=1286.77kvar  ΣS=2651.62kVA" }
                         << QByteArray("action_pdf");
    QTest::newRow("all printed") << QList<QByteArray>{ fourWire, threeWire } << 0 << "全部组" << QList<int>{ 1, 2 }
                                 << QByteArray("SL") << QList<int>{ 0, 120, 240, 30, 148, 270 } << QList<Fields>{ ratios }
                                 << QStringList{ fourWirePrimary, threeWirePrimary } << QByteArray("action_print");
}

void PdfReportTest::pagesAndValues()
{
    QFETCH(QList<QByteArray>, groups);
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(QList<int>, pages);
    QFETCH(QByteArray, radios);
    QFETCH(QList<int>, directions);
    QFETCH(QList<Fields>, answers);
    QFETCH(QStringList, primary);
    QFETCH(QByteArray, action);
    WindowDriver driver;
    for (const Fields &answer : answers)
        driver.dialogs().fillReportInfo(answer);
    const bool printed = action == "action_print";
    exportPdf(driver, groups, row, button, printed ? "report.pdf" : "report", radios, action);
    const QString file = path("report.pdf");
    QStringList messages = button.isEmpty() ? QStringList() : QStringList(printed ? "打印|打印当前显示的组，还是列表中的全部组？" : question);
    if (answers.size() > 1)
        messages << "报告信息|电流互感器变比请按铭牌填写，如200/5、200/5A，或填倍数如40（须大于0）！";
    if (printed) {
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(file); }, 20000));
    } else {
        QCOMPARE(driver.dialogs().fileDialogs.last().caption, QStringLiteral("保存文件"));
        QCOMPARE(driver.dialogs().fileDialogs.last().nameFilters, QStringList{ "PDF文件 (*.pdf)" });
        messages << QStringLiteral("测试报告|文档%1导出成功！").arg(file);
    }
    QCOMPARE(driver.dialogs().takeMessages(), messages);
    // Offered first empty with today's date; the next time as accepted.
    QCOMPARE(driver.dialogs().reportInfoOffered.value(0).value("date"), QDate::currentDate().toString(Qt::ISODate));
    QCOMPARE(driver.dialogs().reportInfoOffered.value(0).value("customer"), QString());
    driver.dialogs().fillReportInfo({}, false);
    driver.action(action)->trigger();
    Fields again = answers.last();
    again.insert("date", QDate::currentDate().toString(Qt::ISODate));
    again["currentRatio"] = again["currentRatio"].trimmed();
    again.insert("voltageRatio", again.value("voltageRatio"));
    QCOMPARE(driver.dialogs().reportInfoOffered.last(), again);

    QVERIFY(run("pdfinfo", { file }).contains(QRegularExpression(QStringLiteral("Pages: +%1\n").arg(pages.size()))));
    for (int page = 1; page <= pages.size(); ++page) {
        const QString text = run("pdftotext", { "-layout", "-f", QString::number(page), "-l", QString::number(page), file, "-" });
        const QString column = run("pdftotext", { "-x", "282", "-y", "0", "-W", "260", "-H", "842", "-f", QString::number(page),
                                                  "-l", QString::number(page), file, "-" }).remove(QRegularExpression("\\s"));
        QCOMPARE(text.contains("一次侧"), !primary.at(page - 1).isEmpty());
        const QStringList ofPage = header + primary.at(page - 1).split("  ", Qt::SkipEmptyParts)
            + QStringList(QStringLiteral("第%1页 共%2页").arg(page).arg(pages.size()));
        QCOMPARE(text.count("（失"), int(pages.at(page - 1) == 3));
        QVERIFY2(!text.contains(QRegularExpression("[UI][ABC]+~")), qPrintable(text)); // one notation: X→Y
        for (const QString &expected : ofPage + (pages.at(page - 1) == 1 ? fourWireTexts : pages.at(page - 1) == 2 ? threeWireTexts : lostTexts))
            QVERIFY2(expected.startsWith('~') ? column.contains(QRegularExpression(expected.mid(1))) : text.contains(expected),
                     qPrintable(expected + " missing on page " + QString::number(page)));
    }
    // Every font embedded ("emb" yes), a Chinese one among them.
    const QStringList fonts = run("pdffonts", { file }).split('\n', Qt::SkipEmptyParts).mid(2);
    QCOMPARE(fonts.filter(QRegularExpression(" yes +(yes|no) +(yes|no) +\\d+ +\\d+$")), fonts);
    QVERIFY(!fonts.filter(QRegularExpression("WenQuanYi|SimSun|CJK")).isEmpty());

    // The first page, rendered: the diagram's grey frame found by its top
    // and bottom lines, a white square inside it, every pixel of a phase
    // colour (arrows and labels) inside the frame, the arrows around its centre.
    run("pdftoppm", { "-r", "150", "-png", "-singlefile", file, path("d") });
    const QImage page = QImage(path("d.png")).convertToFormat(QImage::Format_RGB32);
    const auto frameGrey = [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qAbs(qRed(c) - 150) < 20; };
    QRect panel;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(page.constScanLine(y)), *end = line + page.width();
        if (std::count_if(line, end, frameGrey) > 300)
            panel |= QRect(int(std::find_if(line, end, frameGrey) - line), y, 1, 1);
    }
    QVERIFY(panel.height() > page.width() / 3); // over a third of the page's width
    int white = 0, colouredOutside = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const bool inside = QRect(panel.topLeft(), QSize(panel.height(), panel.height())).contains(x, y);
            white += inside && page.pixel(x, y) == qRgb(255, 255, 255);
            colouredOutside += !inside && colourOf(page.pixel(x, y)) != Other;
        }
    QVERIFY2(white > 0.85 * panel.height() * panel.height(), qPrintable(QString::number(white)));
    QCOMPARE(colouredOutside, 0);
    const QPointF centre(panel.left() + panel.height() / 2.0, panel.top() + panel.height() / 2.0);
    for (int i = 0; i < directions.size(); ++i) {
        const double a = qDegreesToRadians(double(directions.at(i))), r = panel.height() / 4.0;
        QVERIFY2(colourNear(page, centre + QPointF(r * std::sin(a), -r * std::cos(a)), Colour(i % 3), 3),
                 qPrintable(QString::number(i)));
    }
}

void PdfReportTest::existingFileKept_data()
{
    QTest::addColumn<int>("groups");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box"); // the last box
    QTest::newRow("choice cancelled") << 2 << "取消" << question;
    QTest::newRow("choice escaped") << 2 << "Esc" << question;
    QTest::newRow("progress cancelled") << 3000 << "全部组" << question;
    QTest::newRow("disk full") << 1 << "" << "测试报告|文档%1导出失败！";
}

void PdfReportTest::existingFileKept()
{
    QFETCH(int, groups);
    QFETCH(QString, button);
    QFETCH(QString, box);
    writeFile(path("old.pdf"), "an earlier report");
    WindowDriver driver;
    driver.dialogs().cancelProgress();
    QString escape; // the button Esc and the window's close button answer
    driver.dialogs().whileMessageOpen([&](QMessageBox *box) { escape = box->escapeButton() ? box->escapeButton()->text() : ""; });
    const FileSizeLimit full(box.contains("失败") ? 4096 : RLIM_INFINITY);
    exportPdf(driver, QList<QByteArray>(groups, fourWire), 0, button, "old.pdf");
    QCOMPARE(driver.dialogs().takeMessages().last(), box.replace("%1", path("old.pdf")));
    QCOMPARE(readFile(path("old.pdf")), QByteArray("an earlier report"));
    if (groups > 1)
        QCOMPARE(escape, "取消");
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    files.removeAll("buffer.png"); // the diagram of the click
    QCOMPARE(files, QStringList({ "g.dat", "old.pdf" }));
    if (groups > 100)
        QVERIFY(driver.dialogs().progressLabels.value(0).contains(QRegularExpression("^正在导出第\\d+组…$")));
}

void PdfReportTest::reportInformation()
{
    // A usual 安装地点 in sight.
    ReportInfoDialog dialog(ReportInfo(), 1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog) && dialog.windowTitle() == "报告信息");
    auto *site = dialog.findChild<QLineEdit *>("site");
    QVERIFY(site->width() > site->fontMetrics().horizontalAdvance("10kV配电房2号计量柜") + 8);
    // As written on a nameplate, or the multiplier alone; -1: refused.
    const QList<std::tuple<QString, ReportInfo::Ratio, double>> cases{
        { "200/5", ReportInfo::Ratio::Current, 40 }, { "200/5A", ReportInfo::Ratio::Current, 40 },
        { " 40 ", ReportInfo::Ratio::Current, 40 }, { "1.5kA／5a", ReportInfo::Ratio::Current, 300 },
        { "10000/100", ReportInfo::Ratio::Voltage, 100 }, { "10kV/100V", ReportInfo::Ratio::Voltage, 100 },
        { "100", ReportInfo::Ratio::Voltage, 100 }, { "", ReportInfo::Ratio::Voltage, 0 },
        { "1:40", ReportInfo::Ratio::Current, -1 }, { "200/5V", ReportInfo::Ratio::Current, -1 },
        { "0", ReportInfo::Ratio::Voltage, -1 }, { "200/0", ReportInfo::Ratio::Current, -1 },
        { "10k/100", ReportInfo::Ratio::Voltage, -1 }, { "10/1/1", ReportInfo::Ratio::Voltage, -1 },
        { "1" + QString(300, '0') + "/0." + QString(30, '0') + "1", ReportInfo::Ratio::Voltage, -1 } }; // beyond a double
    for (const auto &[text, kind, multiplier] : cases)
        QVERIFY2(ReportInfo::multiplier(text, kind) == multiplier, qPrintable(text));
}

QTEST_MAIN(PdfReportTest)
#include "tst_pdfreport.moc"
