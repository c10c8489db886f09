// The four report templates, read through their resource paths, the filling
// of their placeholders, and the values the Word and Excel exports put in.

#include "mimedocument.h"
#include "report/reporttemplate.h"
#include "report/reportvalues.h"
#include "view/groupvalues.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(ReportKind)

namespace {

// ---------------------------------------------------------------------------
// What each template must hold

struct PartInfo
{
    QByteArray name;
    QByteArray encoding;
    QByteArray type;      // without parameters
    QByteArray charset;   // empty: none
};

struct TemplateInfo
{
    QString path;
    bool excel = false;
    bool fourWire = false;
    QByteArray boundary;
    QByteArray mainLocation;
    QByteArray folder;
    QList<PartInfo> otherParts;

    int placeholders() const { return fourWire ? 29 : 20; }
    QByteArray directory() const { return mainLocation.left(mainLocation.lastIndexOf('/') + 1); }
    QByteArray mainName() const { return mainLocation.mid(mainLocation.lastIndexOf('/') + 1); }
};

const QList<TemplateInfo> &templateInfos()
{
    static const PartInfo diagram{"image001.jpg", "base64", "image/jpeg", ""};
    static const PartInfo blankJpeg{"image002.jpg", "base64", "image/jpeg", ""};
    static const PartInfo header{"header.htm", "quoted-printable", "text/html", "us-ascii"};
    static const PartInfo files{"filelist.xml", "quoted-printable", "text/xml", "utf-8"};
    static const QList<TemplateInfo> infos = {
        {":/res/3x4doc.xml", false, true, "----=_NextPart_01CE9D94.13007200",
         "file:///C:/AD9B9E43/3x4doc.htm", "3x4doc.files/", {diagram, blankJpeg, header, files}},
        {":/res/3x3doc.xml", false, false, "----=_NextPart_01CE9D07.BC3A43B0",
         "file:///C:/B1335B33/3x3.htm", "3x3.files/", {diagram, blankJpeg, header, files}},
        {":/res/3x4xls.xml", true, true, "----=_NextPart_01CE9D94.644C0F70",
         "file:///C:/AD9BEDF3/3x4xls.htm", "3x4xls.files/",
         {diagram, blankJpeg, {"image003.gif", "base64", "image/gif", ""}, files}},
        {":/res/3x3xls.xml", true, false, "----=_NextPart_01CE9D13.42DCD030",
         "file:///C:/AD9B6DF3/3x3xls.htm", "3x3xls.files/",
         {diagram, {"image002.gif", "base64", "image/gif", ""}, files}},
    };
    return infos;
}

TemplateInfo infoOf(const QString &path)
{
    for (const TemplateInfo &info : templateInfos()) {
        if (info.path == path)
            return info;
    }
    return {};
}

void addTemplateRows()
{
    QTest::addColumn<QString>("path");
    for (const TemplateInfo &info : templateInfos())
        QTest::newRow(qPrintable(info.path.mid(6))) << info.path;
}

QByteArray resourceBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

const QString Title = u("测试报告");

QStringList headingsOf(bool fourWire)
{
    return {u("（1）伏安"), u("（2）频率"), u("（3）相位"),
            fourWire ? u("（4）相量图") : u("(4)相量图")};
}

// The cells of sections 1 to 3 in document order; colspan 0 is not fixed.
struct ExpectedCell
{
    QString text;
    int rowspan = 1;
    int colspan = 0;
};

QList<ExpectedCell> expectedCells(bool fourWire, bool excel)
{
    const QString deg = u("°");
    auto E = [](const char *text, int rowspan = 1, int colspan = 0) {
        return ExpectedCell{QString::fromUtf8(text), rowspan, colspan};
    };
    auto phaseCell = [&](int n, int rows) {
        return ExpectedCell{QLatin1Char('%') + QString::number(n) + (excel ? deg : QString()), rows, 0};
    };
    QList<ExpectedCell> cells = {E("序号"), E("测试项目", 1, 2), E("幅值"), E("相序")};
    QStringList powerNames[3];
    int firstPower = 0;
    if (fourWire) {
        cells += {E("1", 4), E("电压回路", 4), E("UA"), E("%1V"), phaseCell(4, 3),
                  E("UB"), E("%2V"),
                  E("UC"), E("%3V"),
                  E("UN"), E("~~"), E("~~"),
                  E("2", 4), E("电流回路", 4), E("IA"), E("%5A"), phaseCell(8, 3),
                  E("IB"), E("%6A"),
                  E("IC"), E("%7A"),
                  E("IN"), E("%9A"), E("~~"),
                  E("3", 3), E("功角", 3), E("UA~ IA"), E("%10°"), E("~~"),
                  E("UB~ IB"), E("%11°"), E("~~"),
                  E("UC~ IC"), E("%12°"), E("~~")};
        for (QStringList &names : powerNames)
            names = {u("A路"), u("B路"), u("C路")};
        firstPower = 13;
    } else {
        cells += {E("1", 2), E("电压回路", 2), E("UAB"), E("%1V"), phaseCell(3, 2),
                  E("UCB"), E("%2V"),
                  E("2", 2), E("电流回路", 2), E("IAB"), E("%4A"), phaseCell(6, 2),
                  E("ICB"), E("%5A"),
                  E("3", 2), E("功角", 2), E("UAB~ IAB"), E("%7°"), E("~~"),
                  E("UCB~ ICB"), E("%8°"), E("~~")};
        powerNames[0] = QStringList{"Pab", "Pcb"};
        powerNames[1] = QStringList{"Qab", "Qcb"};
        powerNames[2] = QStringList{"Sab", "Scb"};
        firstPower = 9;
    }
    const QStringList groups = {u("有功功率P"), u("无功功率Q"), u("视在功率S")};
    const QStringList units = {"W", "Var", "VA"};
    int n = firstPower;
    for (int g = 0; g < 3; ++g) {
        const int rows = int(powerNames[g].size());
        cells += {ExpectedCell{QString::number(4 + g), rows}, ExpectedCell{groups[g], rows}};
        for (const QString &name : powerNames[g]) {
            // The power values span the 幅值 and 相序 columns.
            cells += {ExpectedCell{name}, ExpectedCell{'%' + QString::number(n++) + units[g], 1, 2}};
        }
    }
    const QString frequency = '%' + QString::number(fourWire ? 22 : 15) + "Hz";
    cells += {E("序号"), E("测试项目"), E("值"), E("1"), E("频率"), ExpectedCell{frequency}};
    if (fourWire) {
        cells += {E("序号"), E("测试项目"), E("A>B"), E("B>C"), E("C>A"),
                  E("1"), E("电流相位"), E("%23°"), E("%24°"), E("%25°"),
                  E("2"), E("电压相位"), E("%26°"), E("%27°"), E("%28°")};
    } else {
        cells += {E("序号"), E("测试项目"), E("AB>CB"), E("CB>AB"),
                  E("1"), E("电流相位"), E("%16°"), E("%17°"),
                  E("2"), E("电压相位"), E("%18°"), E("%19°")};
    }
    return cells;
}

// ---------------------------------------------------------------------------
// Reading the HTML of a main part

QString withoutComments(QString html)
{
    static const QRegularExpression comment("<!--.*?-->",
                                            QRegularExpression::DotMatchesEverythingOption);
    return html.remove(comment);
}

// Character references and the named entities the reports use.
QString decodeReferences(const QString &html)
{
    static const QRegularExpression reference("&(#(\\d+)|[A-Za-z]+);");
    static const QHash<QString, QString> named = {
        {"&deg;", u("°")}, {"&gt;", ">"}, {"&lt;", "<"}, {"&amp;", "&"},
        {"&quot;", "\""}, {"&nbsp;", QString(QChar(0xA0))}};
    QString out;
    qsizetype last = 0;
    auto it = reference.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += html.mid(last, m.capturedStart() - last);
        if (!m.captured(2).isEmpty()) {
            const char32_t code = m.captured(2).toUInt();
            out += QString::fromUcs4(&code, 1);
        } else {
            out += named.value(m.captured(0), m.captured(0));
        }
        last = m.capturedEnd();
    }
    return out + html.mid(last);
}

QString plainText(const QString &html)
{
    static const QRegularExpression tag("<[^>]*>");
    QString text = withoutComments(html);
    text.remove(tag);
    return decodeReferences(text).simplified();
}

struct Cell
{
    QString text;
    QString markup;
    QString attributes;
    int rowspan = 1;
    int colspan = 1;
};

int spanOf(const QString &attributes, const char *name)
{
    const QRegularExpression re(QString::fromLatin1("\\b%1=\"?(\\d+)").arg(QLatin1String(name)));
    const QRegularExpressionMatch m = re.match(attributes);
    return m.hasMatch() ? m.captured(1).toInt() : 1;
}

// The table cells with text, in document order.
QList<Cell> tableCells(const QString &html)
{
    static const QRegularExpression td("<td\\b([^>]*)>(.*?)</td>",
                                       QRegularExpression::DotMatchesEverythingOption);
    QList<Cell> cells;
    auto it = td.globalMatch(withoutComments(html));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        Cell cell;
        cell.attributes = m.captured(1);
        cell.markup = m.captured(2);
        cell.text = plainText(cell.markup);
        cell.rowspan = spanOf(cell.attributes, "rowspan");
        cell.colspan = spanOf(cell.attributes, "colspan");
        if (!cell.text.isEmpty())
            cells.append(cell);
    }
    return cells;
}

// The cells of the report's sections 1 to 3 (Excel holds the title and the
// headings in cells too).
QList<Cell> sectionCells(const QString &html, bool fourWire)
{
    QList<Cell> cells = tableCells(html);
    const QStringList skip = headingsOf(fourWire) << Title;
    cells.removeIf([&](const Cell &cell) { return skip.contains(cell.text); });
    return cells;
}

// Style sheet rule of a selector such as ".xl69".
QString cssRule(const QString &html, const QString &selector)
{
    const QRegularExpression re(QRegularExpression::escape(selector) + "\\s*\\{([^}]*)\\}");
    return re.match(html).captured(1);
}

QString mainHtml(const MimeDocument &doc)
{
    return doc.parts.isEmpty() ? QString() : QString::fromLatin1(doc.parts.first().body);
}

QMap<int, int> placeholderCounts(const QString &text)
{
    static const QRegularExpression placeholder("%(\\d\\d?)");
    QMap<int, int> counts;
    auto it = placeholder.globalMatch(text);
    while (it.hasNext())
        ++counts[it.next().captured(1).toInt()];
    return counts;
}

// Where the cell of placeholder n stands among the expected cells, -1 if nowhere.
int indexOfPlaceholder(const QList<ExpectedCell> &cells, int n)
{
    const QRegularExpression own('%' + QString::number(n) + "(?!\\d)");
    for (int i = 0; i < cells.size(); ++i) {
        if (own.match(cells[i].text).hasMatch())
            return i;
    }
    return -1;
}

int count(const QString &text, const QString &what)
{
    return int(text.count(what));
}

// "%k" in an expected cell text replaced by the k-th value as the report shows it.
QString filledText(const QString &cellText, const QStringList &values)
{
    static const QRegularExpression placeholder("%(\\d+)");
    const QRegularExpressionMatch m = placeholder.match(cellText);
    if (!m.hasMatch())
        return cellText;
    const QString value = values.at(m.captured(1).toInt() - 1);
    const QString shown = plainText(
        QString::fromLatin1(MimeDocument::decodeQuotedPrintable(value.toLatin1())));
    return cellText.left(m.capturedStart()) + shown + cellText.mid(m.capturedEnd());
}

using Field = double GroupValues::*;

const QMap<QString, Field> &fields()
{
    static const QMap<QString, Field> map = {
        {"frequency", &GroupValues::frequency},
        {"currentA", &GroupValues::currentA}, {"currentB", &GroupValues::currentB},
        {"currentC", &GroupValues::currentC}, {"currentN", &GroupValues::currentN},
        {"voltageA", &GroupValues::voltageA}, {"voltageB", &GroupValues::voltageB},
        {"voltageC", &GroupValues::voltageC},
        {"powerAngleA", &GroupValues::powerAngleA}, {"powerAngleB", &GroupValues::powerAngleB},
        {"powerAngleC", &GroupValues::powerAngleC},
        {"voltagePhaseAB", &GroupValues::voltagePhaseAB},
        {"voltagePhaseBC", &GroupValues::voltagePhaseBC},
        {"voltagePhaseCA", &GroupValues::voltagePhaseCA},
        {"currentPhaseAB", &GroupValues::currentPhaseAB},
        {"currentPhaseBC", &GroupValues::currentPhaseBC},
        {"currentPhaseCA", &GroupValues::currentPhaseCA},
        {"activePowerA", &GroupValues::activePowerA}, {"activePowerB", &GroupValues::activePowerB},
        {"activePowerC", &GroupValues::activePowerC},
        {"reactivePowerA", &GroupValues::reactivePowerA},
        {"reactivePowerB", &GroupValues::reactivePowerB},
        {"reactivePowerC", &GroupValues::reactivePowerC},
        {"apparentPowerA", &GroupValues::apparentPowerA},
        {"apparentPowerB", &GroupValues::apparentPowerB},
        {"apparentPowerC", &GroupValues::apparentPowerC},
    };
    return map;
}

const char WordOpener[] =
    "<p class=3DMsoNormal align=3Dcenter style=3D'text-align:center'><span lang=3DEN-US "
    "style=3D'font-size:10.5pt;mso-bidi-font-size:12.0pt'>";

} // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:

    void placeholders_data() { addTemplateRows(); }
    void placeholders();
    void textForm_data() { addTemplateRows(); }
    void textForm();
    void mimeStructure_data() { addTemplateRows(); }
    void mimeStructure();
    void fallbackPictures_data();
    void fallbackPictures();
    void reportLayout_data() { addTemplateRows(); }
    void reportLayout();
    void phaseSequenceCells_data() { addTemplateRows(); }
    void phaseSequenceCells();

    void fillText_data();
    void fillText();
    void fillTemplate_data() { addTemplateRows(); }
    void fillTemplate();

    void templateChoice_data();
    void templateChoice();
    void numberTexts_data();
    void numberTexts();
    void placeholderMapping_data();
    void placeholderMapping();
};

// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// The templates as stored

void TestTemplates::placeholders()
{
    QFETCH(QString, path);
    const TemplateInfo info = infoOf(path);
    const QString text = ReportTemplate::read(path);
    QVERIFY(!text.isEmpty());
    QCOMPARE(text.toLatin1(), resourceBytes(path));

    // Every number from 1 to the highest once, no three-digit "%nnn", no
    // other "%" followed by a digit, no localized "%L1" form.
    const QMap<int, int> counts = placeholderCounts(text);
    QCOMPARE(counts.size(), info.placeholders());
    for (int n = 1; n <= info.placeholders(); ++n)
        QVERIFY2(counts.value(n) == 1, qPrintable(QString("%%1 occurs %2 times").arg(n).arg(counts.value(n))));
    QVERIFY(!text.contains(QRegularExpression("%\\d\\d\\d")));
    QVERIFY(!text.contains(QRegularExpression("%L\\d")));

    // All but the diagram stand in the main part, also when decoded.
    const MimeDocument doc = MimeDocument::parse(text.toLatin1());
    QVERIFY2(doc.isValid(), qPrintable(doc.error));
    const QMap<int, int> inMain = placeholderCounts(mainHtml(doc));
    QCOMPARE(inMain.size(), info.placeholders() - 1);
    QVERIFY(!inMain.contains(info.placeholders()));
    QVERIFY(!mainHtml(doc).contains(QRegularExpression("%L\\d")));
}

void TestTemplates::textForm()
{
    QFETCH(QString, path);
    const TemplateInfo info = infoOf(path);
    const QByteArray data = resourceBytes(path);
    QVERIFY(!data.isEmpty());

    // CR LF only, ending with one.
    QVERIFY(data.endsWith("\r\n"));
    QByteArray withoutCrLf = data;
    withoutCrLf.replace("\r\n", "");
    QVERIFY(!withoutCrLf.contains('\r'));
    QVERIFY(!withoutCrLf.contains('\n'));

    // The preamble is the only line with bytes above 127; every other line
    // is at most 76 characters long.
    const QList<QByteArray> lines = data.split('\n');
    const int preambleLine = info.excel ? 4 : 3;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 128; });
        QVERIFY2(ascii == (i != preambleLine), qPrintable(QString("line %1").arg(i + 1)));
        if (i != preambleLine)
            QVERIFY2(line.size() - 1 <= 76, qPrintable(QString("line %1 too long").arg(i + 1)));
    }
    QCOMPARE(lines[preambleLine - 1], QByteArray("\r"));
    QCOMPARE(lines[preambleLine + 1], QByteArray("\r"));

    // The notice of the single-file web page format, in GBK.
    const QByteArray preamble = lines[preambleLine].chopped(1);
    QVERIFY(preamble.contains("Web"));
    QStringDecoder gbk("GBK");
    if (gbk.isValid()) {
        const QString notice = gbk.decode(preamble);
        QVERIFY(!gbk.hasError());
        QVERIFY2(notice.contains(u("单个文件网页")) && notice.contains(u("浏览器")),
                 qPrintable(notice));
    }

    // Quoted-printable parts: every "=" starts an escape or a soft break, and
    // the decoded text is 7-bit (Chinese as character references).
    const MimeDocument doc = MimeDocument::parse(data);
    QVERIFY2(doc.isValid(), qPrintable(doc.error));
    static const QRegularExpression looseEquals("=(?![0-9A-F]{2}|\r\n)");
    int quotedPrintable = 0;
    for (const MimeDocument::Part &part : doc.parts) {
        if (part.transferEncoding() != "quoted-printable")
            continue;
        ++quotedPrintable;
        QVERIFY2(!QString::fromLatin1(part.rawBody).contains(looseEquals), part.location());
        QVERIFY(std::all_of(part.body.begin(), part.body.end(), [](char c) { return uchar(c) < 128; }));
        QVERIFY(!QString::fromLatin1(part.body).contains(QRegularExpression("[^\r]\n")));
    }
    QCOMPARE(quotedPrintable, info.excel ? 2 : 3);
    QVERIFY(doc.parts.first().rawBody.contains("=3D"));
    QVERIFY(mainHtml(doc).contains("&#27979;&#35797;&#25253;&#21578;"));   // 测试报告
}

void TestTemplates::mimeStructure()
{
    QFETCH(QString, path);
    const TemplateInfo info = infoOf(path);
    const MimeDocument doc = MimeDocument::parse(resourceBytes(path));
    QVERIFY2(doc.isValid(), qPrintable(doc.error));

    QList<QByteArray> headerNames = {"MIME-Version", "Content-Type"};
    if (info.excel)
        headerNames.insert(1, "X-Document-Type");
    QCOMPARE(doc.headerNames(), headerNames);
    QCOMPARE(doc.header("MIME-Version"), QByteArray("1.0"));
    if (info.excel)
        QCOMPARE(doc.header("X-Document-Type"), QByteArray("Worksheet"));
    QCOMPARE(doc.header("Content-Type"),
             "multipart/related; boundary=\"" + info.boundary + "\"");
    QCOMPARE(doc.boundary, info.boundary);
    QVERIFY(doc.closed);
    QCOMPARE(doc.epilogue, QByteArray());
    // The preamble: the notice alone on its line; the empty line after the
    // headers ends the header block, the one after the notice belongs to the
    // first boundary line.
    QVERIFY(doc.preamble.endsWith("\r\n"));
    QCOMPARE(doc.preamble.count("\r\n"), 1);
    QVERIFY(doc.preamble.size() > 40);
    QVERIFY(!doc.preamble.contains("--"));

    // The parts in order, each with its three headers in order.
    QCOMPARE(doc.parts.size(), info.otherParts.size() + 1);
    const QList<QByteArray> partHeaders = {"Content-Location", "Content-Transfer-Encoding",
                                           "Content-Type"};
    for (int i = 0; i < doc.parts.size(); ++i) {
        const MimeDocument::Part &part = doc.parts[i];
        const PartInfo expected = i == 0
            ? PartInfo{"", "quoted-printable", "text/html", "us-ascii"}
            : info.otherParts[i - 1];
        QCOMPARE(part.headerNames(), partHeaders);
        QCOMPARE(part.location(), i == 0 ? info.mainLocation
                                         : info.directory() + info.folder + expected.name);
        QCOMPARE(part.transferEncoding(), expected.encoding);
        const QByteArray type = part.contentType();
        QCOMPARE(type.split(';').first(), expected.type);
        QCOMPARE(MimeDocument::parameter(type, "charset"), expected.charset);
    }

    // The diagram placeholder alone on its line, then one empty line.
    const int diagram = doc.indexOf("image001.jpg");
    QCOMPARE(diagram, 1);
    QCOMPARE(doc.parts[diagram].rawBody, '%' + QByteArray::number(info.placeholders()) + "\r\n");

    // The main part names every other part by folder and file name ...
    const QString html = mainHtml(doc);
    const QString folder = QString::fromLatin1(info.folder);
    QVERIFY(html.contains("<link rel=File-List href=\"" + folder + "filelist.xml\">"));
    for (const PartInfo &part : info.otherParts) {
        if (part.name != "filelist.xml")
            QVERIFY2(html.contains('"' + folder + QString::fromLatin1(part.name) + '"'), part.name.constData());
    }
    // ... and filelist.xml names the main part and every part, itself included.
    const QString fileList = QString::fromLatin1(doc.parts.last().body);
    QCOMPARE(doc.parts.last().fileName(), QByteArray("filelist.xml"));
    QVERIFY(fileList.contains("<o:MainFile HRef=\"../" + QString::fromLatin1(info.mainName()) + "\"/>"));
    QStringList listed;
    auto it = QRegularExpression("<o:File HRef=\"([^\"]+)\"/>").globalMatch(fileList);
    while (it.hasNext())
        listed << it.next().captured(1);
    QStringList names;
    for (const PartInfo &part : info.otherParts)
        names << QString::fromLatin1(part.name);
    QCOMPARE(listed, names);

    if (!info.excel) {
        const QString header = QString::fromLatin1(doc.parts[doc.indexOf("header.htm")].body);
        QVERIFY(header.contains("href=\"../" + QString::fromLatin1(info.mainName()) + "\""));
        for (const char *id : {"fs", "fcs", "es", "ecs", "h1", "f1"})
            QVERIFY2(header.contains(QString(" id=%1>").arg(id)), id);
        QVERIFY(html.contains(QRegularExpression("@page Section1\\s*\\{[^}]*mso-header:url\\(\""
                                                 + QRegularExpression::escape(folder)
                                                 + "header.htm\"\\) h1;")));
        QVERIFY(html.contains("mso-footnote-separator:url(\"" + folder + "header.htm\") fs;"));
    }
}

void TestTemplates::fallbackPictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("part");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    QTest::newRow("3x4doc image002.jpg") << ":/res/3x4doc.xml" << QByteArray("image002.jpg")
                                         << QByteArray("jpeg") << QSize(554, 554);
    QTest::newRow("3x3doc image002.jpg") << ":/res/3x3doc.xml" << QByteArray("image002.jpg")
                                         << QByteArray("jpeg") << QSize(554, 554);
    QTest::newRow("3x4xls image002.jpg") << ":/res/3x4xls.xml" << QByteArray("image002.jpg")
                                         << QByteArray("jpeg") << QSize(642, 647);
    QTest::newRow("3x4xls image003.gif") << ":/res/3x4xls.xml" << QByteArray("image003.gif")
                                         << QByteArray("gif") << QSize(554, 554);
    QTest::newRow("3x3xls image002.gif") << ":/res/3x3xls.xml" << QByteArray("image002.gif")
                                         << QByteArray("gif") << QSize(554, 554);
}

void TestTemplates::fallbackPictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, part);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    const MimeDocument doc = MimeDocument::parse(resourceBytes(path));
    const int index = doc.indexOf(part);
    QVERIFY(index > 0);
    QByteArray data = doc.parts[index].body;
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), format);
    const QImage picture = reader.read();
    QVERIFY2(!picture.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(picture.size(), size);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != qRgb(255, 255, 255))
                QFAIL(qPrintable(QString("pixel %1,%2 is not white").arg(x).arg(y)));
        }
    }
    if (format == "jpeg") {
        // A greyscale JPEG: one component in its frame header.
        const qsizetype frame = data.indexOf("\xFF\xC0");
        QVERIFY(frame > 0);
        QCOMPARE(int(uchar(data.at(frame + 9))), 1);
    }
}

void TestTemplates::reportLayout()
{
    QFETCH(QString, path);
    const TemplateInfo info = infoOf(path);
    const QString html = mainHtml(MimeDocument::parse(resourceBytes(path)));
    const QString text = plainText(html);

    // Title first, then the headings in their order; in Excel the diagram's
    // heading stands in the row of the first heading.
    const QStringList headings = headingsOf(info.fourWire);
    const qsizetype title = text.indexOf(Title);
    QVERIFY(title >= 0);
    QList<qsizetype> at;
    for (const QString &heading : headings) {
        at << text.indexOf(heading);
        QVERIFY2(at.last() > title, qPrintable(heading));
        QCOMPARE(text.count(heading), 1);
    }
    if (info.excel)
        QVERIFY(at[0] < at[3] && at[3] < at[1] && at[1] < at[2]);
    else
        QVERIFY(at[0] < at[1] && at[1] < at[2] && at[2] < at[3]);
    if (!info.fourWire) {
        QVERIFY(!text.contains(u("（4）")));
        QVERIFY(html.contains("U<sub>AB</sub>~ I<sub>AB</sub>"));
        QVERIFY(html.contains("U<sub>CB</sub>~ I<sub>CB</sub>"));
    }

    if (info.excel) {
        const QRegularExpressionMatch m =
            QRegularExpression("<td colspan=15 [^>]*class=(xl\\d+)[^>]*>"
                               "&#27979;&#35797;&#25253;&#21578;</td>").match(html);
        QVERIFY(m.hasMatch());
        const QString rule = cssRule(html, '.' + m.captured(1));
        QVERIFY(rule.contains("font-size:24.0pt;"));
        QVERIFY(rule.contains("font-weight:700;"));
        QVERIFY(rule.contains("text-align:center;"));
    } else {
        const QRegularExpressionMatch m = QRegularExpression(
            "<p class=MsoNormal align=center style='text-align:center'><b[^>]*>"
            "<span style='font-size:22.0pt[^']*'>&#27979;&#35797;&#25253;&#21578;</span></b>"
            ".*?</p>\\s*<p class=MsoNormal align=center style='text-align:center'><b[^>]*>"
            "<span lang=EN-US style='font-size:22.0pt'><o:p>&nbsp;</o:p>",
            QRegularExpression::DotMatchesEverythingOption).match(html);
        QVERIFY(m.hasMatch());
        // Three bordered tables, one per section.
        QCOMPARE(count(html, "<table class=MsoTableGrid border=1"), 3);
    }

    // Every cell of sections 1 to 3 with its text and the rows it spans.
    const QList<Cell> cells = sectionCells(html, info.fourWire);
    const QList<ExpectedCell> expected = expectedCells(info.fourWire, info.excel);
    QCOMPARE(cells.size(), expected.size());
    for (int i = 0; i < cells.size(); ++i) {
        const QString where = QString("cell %1 '%2'").arg(i).arg(expected[i].text);
        QVERIFY2(cells[i].text == expected[i].text,
                 qPrintable(where + " reads '" + cells[i].text + "'"));
        QVERIFY2(cells[i].rowspan == expected[i].rowspan, qPrintable(where + " rowspan"));
        if (expected[i].colspan)
            QVERIFY2(cells[i].colspan == expected[i].colspan, qPrintable(where + " colspan"));
        // Bordered, centred cells.
        if (info.excel) {
            const QString cls = QRegularExpression("class=(xl\\d+)").match(cells[i].attributes).captured(1);
            QVERIFY2(cssRule(html, '.' + cls).contains("border:.5pt solid windowtext;"), qPrintable(where));
        } else {
            QVERIFY2(cells[i].attributes.contains("border:solid windowtext 1.0pt"), qPrintable(where));
            QVERIFY2(cells[i].markup.contains("align=center style='text-align:center'"), qPrintable(where));
        }
    }
}

void TestTemplates::phaseSequenceCells()
{
    QFETCH(QString, path);
    const TemplateInfo info = infoOf(path);
    const MimeDocument doc = MimeDocument::parse(resourceBytes(path));
    const QString html = mainHtml(doc);
    const QList<int> numbers = info.fourWire ? QList<int>{4, 8} : QList<int>{3, 6};
    const int rows = info.fourWire ? 3 : 2;

    for (int n : numbers) {
        const QString p = '%' + QString::number(n);
        const QList<Cell> cells = tableCells(html);
        const QRegularExpression own(p + "(?!\\d)");
        const auto cell = std::find_if(cells.begin(), cells.end(),
                                       [&](const Cell &c) { return own.match(c.markup).hasMatch(); });
        QVERIFY(cell != cells.end());
        QCOMPARE(cell->rowspan, rows);
        if (info.excel) {
            // The placeholder and the degree sign are the cell's whole content,
            // which wraps.
            QCOMPARE(cell->markup, p + "&deg;");
            const QString cls = QRegularExpression("class=(xl\\d+)").match(cell->attributes).captured(1);
            QVERIFY(cssRule(html, '.' + cls).contains("white-space:normal;"));
            QVERIFY(cssRule(html, '.' + cls).contains("font-size:10.5pt;"));
        } else {
            // The placeholder is the whole content of the span of the cell's
            // only paragraph, closed right after it; in the template's own
            // text the paragraph opens with the exports' paragraph opener.
            QCOMPARE(cell->markup.trimmed(),
                     "<p class=MsoNormal align=center style='text-align:center'><span lang=EN-US "
                     "style='font-size:10.5pt;mso-bidi-font-size:12.0pt'>" + p + "</span></p>");
            QByteArray raw = doc.parts.first().rawBody;
            raw.replace("=\r\n", "");
            QVERIFY(raw.contains(QByteArray(WordOpener) + p.toLatin1() + "</span></p>"));
            QVERIFY(raw.contains(QByteArray(ReportValues::WordParagraphOpener) + p.toLatin1() + "</span></p>"));
        }
    }
    if (!info.excel) {
        // The other value cells: the same paragraph and span, the unit after
        // the placeholder and an empty Office paragraph mark.
        QVERIFY(html.contains("<p class=MsoNormal align=center style='text-align:center'><span lang=EN-US "
                              "style='font-size:10.5pt;mso-bidi-font-size:12.0pt'>%1V<o:p></o:p></span></p>"));
        QVERIFY(html.contains("<p class=MsoNormal align=center style='text-align:center'><span lang=EN-US "
                              "style='font-size:10.5pt;mso-bidi-font-size:12.0pt'>%"
                              + QString::number(info.fourWire ? 10 : 7) + "&deg;<o:p></o:p></span></p>"));
    }
}

// ---------------------------------------------------------------------------
// Filling

void TestTemplates::fillText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("expected");

    const QStringList letters = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"};
    QTest::newRow("digit then letter") << "%1V" << QStringList{"220.00"} << "220.00V";
    QTest::newRow("two digits") << "%10|%1" << letters << "j|a";
    QTest::newRow("three digits") << "%123" << letters << "l3";
    QTest::newRow("value with a placeholder") << "%1 %5" << QStringList{"%5", "b", "c", "d", "e"} << "%5 e";
    QTest::newRow("value ending in percent") << "%1%2" << QStringList{"50%", "3"} << "50%3";
    QTest::newRow("beyond the values") << "%3 %1 %2" << QStringList{"x"} << "%3 x %2";
    QTest::newRow("zero") << "%0 %01" << QStringList{"x"} << "%0 x";
    QTest::newRow("percent signs") << "100%; %'%\"%%1%" << QStringList{"x"} << "100%; %'%\"%x%";
    QTest::newRow("at the end") << "a%" << QStringList{"x"} << "a%";
    QTest::newRow("empty template") << "" << QStringList{"x"} << "";
    QTest::newRow("no values") << "%1" << QStringList() << "%1";
}

void TestTemplates::fillText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, values);
    QFETCH(QString, expected);
    QCOMPARE(ReportTemplate::fill(text, values), expected);
}

void TestTemplates::fillTemplate()
{
    QFETCH(QString, path);
    const TemplateInfo info = infoOf(path);
    const QString text = ReportTemplate::read(path);
    const MimeDocument before = MimeDocument::parse(text.toLatin1());

    // The numbers themselves as values.
    QStringList numbers;
    for (int n = 1; n <= info.placeholders(); ++n)
        numbers << QString::number(n);
    const QString filled = ReportTemplate::fill(text, numbers);
    QVERIFY(placeholderCounts(filled).isEmpty());

    // The same as one QString::arg call per placeholder, in ascending order.
    QStringList words;
    QString byArg = text;
    for (int n = 1; n <= info.placeholders(); ++n) {
        words << "v" + QString::number(n) + "x";
        byArg = byArg.arg(words.last());
    }
    QCOMPARE(ReportTemplate::fill(text, words), byArg);

    const MimeDocument after = MimeDocument::parse(filled.toLatin1());
    QVERIFY2(after.isValid(), qPrintable(after.error));
    QCOMPARE(after.headers.size(), before.headers.size());
    QCOMPARE(after.header("Content-Type"), before.header("Content-Type"));
    QCOMPARE(after.preamble, before.preamble);
    QVERIFY(after.closed);
    QCOMPARE(after.parts.size(), before.parts.size());
    for (int i = 0; i < after.parts.size(); ++i) {
        QCOMPARE(after.parts[i].headerNames(), before.parts[i].headerNames());
        for (const QByteArray &name : before.parts[i].headerNames())
            QCOMPARE(after.parts[i].header(name), before.parts[i].header(name));
        if (i > 1)
            QCOMPARE(after.parts[i].rawBody, before.parts[i].rawBody);
    }
    QCOMPARE(after.parts[1].rawBody, QByteArray::number(info.placeholders()) + "\r\n");

    // Each number in its cell: "1V" in UA (UAB), "22Hz" (15Hz) in 频率, ...
    const QList<Cell> cells = sectionCells(mainHtml(after), info.fourWire);
    const QList<ExpectedCell> expected = expectedCells(info.fourWire, info.excel);
    QCOMPARE(cells.size(), expected.size());
    for (int i = 0; i < cells.size(); ++i)
        QCOMPARE(cells[i].text, filledText(expected[i].text, numbers));
    const QString frequency = info.fourWire ? "22Hz" : "15Hz";
    QVERIFY(std::any_of(cells.begin(), cells.end(), [&](const Cell &c) { return c.text == frequency; }));
    QCOMPARE(cells[indexOfPlaceholder(expected, 1)].text, QString("1V"));   // UA / UAB

    // Only the first value: "%10" to "%19" and the rest stay.
    const QString first = ReportTemplate::fill(text, {"1"});
    const QMap<int, int> left = placeholderCounts(first);
    QCOMPARE(left.size(), info.placeholders() - 1);
    QVERIFY(!left.contains(1));
    for (int n = 10; n <= 19; ++n)
        QCOMPARE(left.value(n), 1);
    QCOMPARE(first.size(), text.size() - 1);
}

// ---------------------------------------------------------------------------
// The exports' values

void TestTemplates::templateChoice_data()
{
    QTest::addColumn<double>("wiringCode");
    QTest::addColumn<bool>("fourWire");

    QTest::newRow("2.0") << 2.0 << true;
    QTest::newRow("1.0") << 1.0 << false;
    QTest::newRow("0.0") << 0.0 << false;
    QTest::newRow("3.0") << 3.0 << false;
    QTest::newRow("2.5") << 2.5 << false;
    QTest::newRow("just below 2") << std::nextafter(2.0, 0.0) << false;
    QTest::newRow("-2.0") << -2.0 << false;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false;
}

void TestTemplates::templateChoice()
{
    QFETCH(double, wiringCode);
    QFETCH(bool, fourWire);
    GroupValues values;
    values.wiringCode = wiringCode;

    QCOMPARE(ReportValues::templatePath(ReportKind::Word, values),
             QString(fourWire ? ":/res/3x4doc.xml" : ":/res/3x3doc.xml"));
    QCOMPARE(ReportValues::templatePath(ReportKind::Excel, values),
             QString(fourWire ? ":/res/3x4xls.xml" : ":/res/3x3xls.xml"));
    for (ReportKind kind : {ReportKind::Word, ReportKind::Excel}) {
        QCOMPARE(ReportValues::placeholderValues(kind, values, "QUJD").size(), fourWire ? 29 : 20);
        const MimeDocument doc = MimeDocument::parse(ReportValues::buildReport(kind, values, "ABC"));
        const TemplateInfo info = infoOf(ReportValues::templatePath(kind, values));
        QCOMPARE(doc.parts.first().location(), info.mainLocation);
        QCOMPARE(doc.parts[1].rawBody, QByteArray("QUJD\r\n"));
        QVERIFY(!QString::fromLatin1(doc.parts.first().body).contains(QRegularExpression("%\\d")));
    }
}

void TestTemplates::numberTexts_data()
{
    QTest::addColumn<bool>("fourWire");
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("placeholder");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");

    const QString deg = u("°");
    QTest::newRow("UA 220") << true << "voltageA" << 220.0 << 1 << "220.00" << "220.00V";
    QTest::newRow("IA 1.5") << true << "currentA" << 1.5 << 5 << "1.5000" << "1.5000A";
    QTest::newRow("power angle A 30") << true << "powerAngleA" << 30.0 << 10 << "30.0" << "30.0" + deg;
    QTest::newRow("frequency 50") << true << "frequency" << 50.0 << 22 << "50.00" << "50.00Hz";
    QTest::newRow("P A -12.5") << true << "activePowerA" << -12.5 << 13 << "-12.50" << "-12.50W";
    QTest::newRow("IN 1e-7") << true << "currentN" << 1e-7 << 9 << "0.0000" << "0.0000A";
    QTest::newRow("Q B large") << true << "reactivePowerB" << 1234567.891 << 17 << "1234567.89" << "1234567.89Var";
    QTest::newRow("S C 1e21") << true << "apparentPowerC" << 1e21 << 21
                              << "1000000000000000000000.00" << "1000000000000000000000.00VA";
    QTest::newRow("U phase C>A 0.04") << true << "voltagePhaseCA" << 0.04 << 28 << "0.0" << "0.0" + deg;
    QTest::newRow("3x3 UCB 380") << false << "voltageC" << 380.0 << 2 << "380.00" << "380.00V";
    QTest::newRow("3x3 ICB 1e-7") << false << "currentC" << 1e-7 << 5 << "0.0000" << "0.0000A";
    QTest::newRow("3x3 frequency 49.996") << false << "frequency" << 49.996 << 15 << "50.00" << "50.00Hz";
    QTest::newRow("3x3 Scb -2.5") << false << "apparentPowerC" << -2.5 << 14 << "-2.50" << "-2.50VA";
    QTest::newRow("3x3 power angle C 45.26") << false << "powerAngleC" << 45.26 << 8 << "45.3" << "45.3" + deg;
}

void TestTemplates::numberTexts()
{
    QFETCH(bool, fourWire);
    QFETCH(QString, field);
    QFETCH(double, value);
    QFETCH(int, placeholder);
    QFETCH(QString, text);
    QFETCH(QString, cell);

    GroupValues values;
    values.wiringCode = fourWire ? 2.0 : 1.0;
    QVERIFY(fields().contains(field));
    values.*fields().value(field) = value;

    for (ReportKind kind : {ReportKind::Word, ReportKind::Excel}) {
        QCOMPARE(ReportValues::placeholderValues(kind, values, QString()).at(placeholder - 1), text);
        // And in the report, in the cell of that placeholder.
        const MimeDocument doc = MimeDocument::parse(ReportValues::buildReport(kind, values, QByteArray()));
        const QList<Cell> cells = sectionCells(mainHtml(doc), fourWire);
        const QList<ExpectedCell> expected = expectedCells(fourWire, kind == ReportKind::Excel);
        QCOMPARE(cells.size(), expected.size());
        const int at = indexOfPlaceholder(expected, placeholder);
        QVERIFY(at >= 0);
        QCOMPARE(cells[at].text, cell);
    }
}

void TestTemplates::placeholderMapping_data()
{
    QTest::addColumn<bool>("fourWire");
    QTest::addColumn<QStringList>("names");

    // Field and decimals per placeholder; "V" and "I" are the voltage and
    // current phase-sequence texts, "D" the diagram.
    QTest::newRow("3x4") << true << QStringList{
        "voltageA:2", "voltageB:2", "voltageC:2", "V",
        "currentA:4", "currentB:4", "currentC:4", "I", "currentN:4",
        "powerAngleA:1", "powerAngleB:1", "powerAngleC:1",
        "activePowerA:2", "activePowerB:2", "activePowerC:2",
        "reactivePowerA:2", "reactivePowerB:2", "reactivePowerC:2",
        "apparentPowerA:2", "apparentPowerB:2", "apparentPowerC:2",
        "frequency:2",
        "currentPhaseAB:1", "currentPhaseBC:1", "currentPhaseCA:1",
        "voltagePhaseAB:1", "voltagePhaseBC:1", "voltagePhaseCA:1", "D"};
    QTest::newRow("3x3") << false << QStringList{
        "voltageA:2", "voltageC:2", "V", "currentA:4", "currentC:4", "I",
        "powerAngleA:1", "powerAngleC:1", "activePowerA:2", "activePowerC:2",
        "reactivePowerA:2", "reactivePowerC:2", "apparentPowerA:2", "apparentPowerC:2",
        "frequency:2", "currentPhaseAB:1", "currentPhaseCA:1",
        "voltagePhaseAB:1", "voltagePhaseCA:1", "D"};
}

void TestTemplates::placeholderMapping()
{
    QFETCH(bool, fourWire);
    QFETCH(QStringList, names);

    // Every entry a different number, distinct at every number of decimals.
    GroupValues values;
    for (int i = 0; i < GroupValues::Count; ++i)
        values.entry(i) = 100.0 + 10.0 * i + 0.125;
    values.wiringCode = fourWire ? 2.0 : 1.0;
    const QString diagram = "iVBORw0KGgo=";

    QStringList word = ReportValues::placeholderValues(ReportKind::Word, values, diagram);
    QStringList excel = ReportValues::placeholderValues(ReportKind::Excel, values, diagram);
    QCOMPARE(word.size(), names.size());
    QCOMPARE(excel.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        if (name == "V" || name == "I") {
            const QString expectedWord = name == "V" ? ReportValues::voltageSequenceText(ReportKind::Word, values)
                                                     : ReportValues::currentSequenceText(ReportKind::Word, values);
            const QString expectedExcel = name == "V" ? ReportValues::voltageSequenceText(ReportKind::Excel, values)
                                                      : ReportValues::currentSequenceText(ReportKind::Excel, values);
            QCOMPARE(word[i], expectedWord);
            QCOMPARE(excel[i], expectedExcel);
            const QString letter = name == "V" ? "U" : "I";
            QVERIFY(word[i].startsWith(fourWire ? letter + "A~" + letter + "B:" : letter + "AB~" + letter + "CB:"));
            QVERIFY(word[i] != excel[i]);
            continue;
        }
        if (name == "D") {
            QCOMPARE(word[i], diagram);
            QCOMPARE(excel[i], diagram);
            continue;
        }
        const QStringList parts = name.split(':');
        const double v = values.*fields().value(parts[0]);
        const QString text = QString::number(v, 'f', parts[1].toInt());
        QVERIFY2(word[i] == text, qPrintable(QString("%%1 %2: %3").arg(i + 1).arg(name, word[i])));
        QCOMPARE(excel[i], text);
    }

    if (!fourWire) {
        // No entry of phase B appears, in any form.
        for (const char *b : {"currentB", "voltageB", "powerAngleB", "activePowerB",
                              "reactivePowerB", "apparentPowerB", "voltagePhaseBC", "currentPhaseBC"}) {
            const double v = values.*fields().value(b);
            for (int decimals = 1; decimals <= 4; ++decimals) {
                const QString text = QString::number(v, 'f', decimals);
                for (const QString &value : word + excel)
                    QVERIFY2(!value.contains(text), b);
            }
        }
    }
}

QTEST_MAIN(TestTemplates)
#include "tst_templates.moc"
