#include "pdfreport.h"

#include "reporttemplate.h"
#include "reportvalues.h"
#include "device/grouplist.h"
#include "view/groupvalues.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// The Word report's tables (the same cells, texts and column widths in
// points), with "%k" where the k-th value of ReportValues::placeholderValues
// goes. The phase-sequence cells take their lines from ReportValues too.
enum class Kind { Text, VoltageSequence, CurrentSequence };

struct Cell
{
    const char *text;
    int rowSpan = 1;
    int colSpan = 1;
    Kind kind = Kind::Text;
};

struct Table
{
    std::vector<qreal> columns;
    std::vector<std::vector<Cell>> rows;
};

const char NotApplicable[] = "~~";

// Rows 4 to 6 of the first table: active, reactive and apparent power, one
// row per name, the values across two columns.
void addPowerRows(Table &table, const std::vector<std::vector<const char *>> &names,
                  const std::vector<std::vector<const char *>> &values)
{
    const char *const numbers[] = { "4", "5", "6" };
    const char *const groups[] = { "有功功率P", "无功功率Q", "视在功率S" };
    for (size_t g = 0; g < names.size(); ++g) {
        const int count = int(names[g].size());
        for (int i = 0; i < count; ++i) {
            std::vector<Cell> row;
            if (i == 0)
                row = { { numbers[g], count }, { groups[g], count } };
            row.push_back({ names[g][i] });
            row.push_back({ values[g][i], 1, 2 });
            table.rows.push_back(row);
        }
    }
}

std::vector<Table> fourWireTables()
{
    Table volts{ { 48, 84, 66, 100, 117.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "幅值" }, { "相序" } },
        { { "1", 4 }, { "电压回路", 4 }, { "UA" }, { "%1V" }, { "", 3, 1, Kind::VoltageSequence } },
        { { "UB" }, { "%2V" } },
        { { "UC" }, { "%3V" } },
        { { "UN" }, { NotApplicable }, { NotApplicable } },
        { { "2", 4 }, { "电流回路", 4 }, { "IA" }, { "%5A" }, { "", 3, 1, Kind::CurrentSequence } },
        { { "IB" }, { "%6A" } },
        { { "IC" }, { "%7A" } },
        { { "IN" }, { "%9A" }, { NotApplicable } },
        { { "3", 3 }, { "功角", 3 }, { "UA~ IA" }, { "%10°" }, { NotApplicable } },
        { { "UB~ IB" }, { "%11°" }, { NotApplicable } },
        { { "UC~ IC" }, { "%12°" }, { NotApplicable } },
    } };
    addPowerRows(volts, { { "A路", "B路", "C路" }, { "A路", "B路", "C路" }, { "A路", "B路", "C路" } },
                 { { "%13W", "%14W", "%15W" }, { "%16Var", "%17Var", "%18Var" },
                   { "%19VA", "%20VA", "%21VA" } });
    const Table frequency{ { 48, 84, 66, 100, 117.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "值", 1, 2 } },
        { { "1" }, { "频率", 1, 2 }, { "%22Hz", 1, 2 } },
    } };
    const Table phases{ { 48, 100, 89.1, 89.1, 89.1 }, {
        { { "序号" }, { "测试项目" }, { "A>B" }, { "B>C" }, { "C>A" } },
        { { "1" }, { "电流相位" }, { "%23°" }, { "%24°" }, { "%25°" } },
        { { "2" }, { "电压相位" }, { "%26°" }, { "%27°" }, { "%28°" } },
    } };
    return { volts, frequency, phases };
}

std::vector<Table> threeWireTables()
{
    Table volts{ { 48, 84, 66, 100, 117.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "幅值" }, { "相序" } },
        { { "1", 2 }, { "电压回路", 2 }, { "UAB" }, { "%1V" }, { "", 2, 1, Kind::VoltageSequence } },
        { { "UCB" }, { "%2V" } },
        { { "2", 2 }, { "电流回路", 2 }, { "IAB" }, { "%4A" }, { "", 2, 1, Kind::CurrentSequence } },
        { { "ICB" }, { "%5A" } },
        { { "3", 2 }, { "功角", 2 }, { "UAB~ IAB" }, { "%7°" }, { NotApplicable } },
        { { "UCB~ ICB" }, { "%8°" }, { NotApplicable } },
    } };
    addPowerRows(volts, { { "Pab", "Pcb" }, { "Qab", "Qcb" }, { "Sab", "Scb" } },
                 { { "%9W", "%10W" }, { "%11Var", "%12Var" }, { "%13VA", "%14VA" } });
    const Table frequency{ { 48, 84, 66, 100, 117.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "值", 1, 2 } },
        { { "1" }, { "频率", 1, 2 }, { "%15Hz", 1, 2 } },
    } };
    const Table phases{ { 48, 84, 66, 108.65, 108.65 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "AB>CB" }, { "CB>AB" } },
        { { "1" }, { "电流相位", 1, 2 }, { "%16°" }, { "%17°" } },
        { { "2" }, { "电压相位", 1, 2 }, { "%18°" }, { "%19°" } },
    } };
    return { volts, frequency, phases };
}

// Built once; the page painting only reads them.
const std::vector<Table> &tablesFor(const GroupValues &values)
{
    static const std::vector<Table> fourWire = fourWireTables();
    static const std::vector<Table> threeWire = threeWireTables();
    // The same choice as the Word and Excel templates'.
    return values.isFourWire() ? fourWire : threeWire;
}

// The page, in points. The Word report's rows are 17 pt
// and its diagram 415.5 pt wide, which takes two pages; here the rows are
// closer and the diagram takes what the wiring check below it leaves.
constexpr qreal PageWidth = 595.3;   // A4 portrait
constexpr qreal PageHeight = 841.9;
constexpr qreal TopMargin = 72;      // the Word report's margins
constexpr qreal SideMargin = 90;
constexpr qreal BottomMargin = 36;
constexpr qreal SmallestDiagram = 100; // a long wiring check runs into the margin instead
constexpr qreal TitleHeight = 36;
constexpr qreal HeadingHeight = 18;
constexpr qreal RowHeight = 14;
constexpr qreal GapAfterTable = 6;
constexpr qreal LargestDiagram = 415.5;

QFont pageFont(qreal points, bool bold)
{
    // The Word report's 宋体 where it is installed, else a Chinese face
    // that is; the writer embeds what is used.
    QFont font;
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("宋体"),
                       QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei") });
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

PdfReport::PdfReport(const QString &path, PhasorDiagram::Orientation orientation,
                     const QFont &pictureFont, WiringDiagnosis::LoadWindow window)
    : m_file(path)
    , m_orientation(orientation)
    , m_pictureFont(pictureFont)
    , m_window(window)
{
    // The diagram is painted at 600 x 600 and scaled onto the page; its
    // labels keep their size on that picture in pixels, not in points.
    m_pictureFont.setPixelSize(qMax(1, QFontInfo(pictureFont).pixelSize()));
}

PdfReport::~PdfReport()
{
    cancel();
}

bool PdfReport::open()
{
    if (!m_file.open(QIODevice::WriteOnly))
        return false;
    m_writer = std::make_unique<QPdfWriter>(&m_file);
    m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    m_writer->setTitle(tr("测试报告"));
    m_writer->setCreator(tr("数据管理软件"));
    if (!m_painter.begin(m_writer.get())) {
        cancel();
        return false;
    }
    m_scale = m_writer->resolution() / 72.0;
    return true;
}

void PdfReport::addPage(int groupNumber, const QString &groupText)
{
    if (!m_painter.isActive())
        return;
    if (m_pageStarted)
        m_writer->newPage();
    m_pageStarted = true;

    const qreal left = SideMargin;
    const qreal width = PageWidth - 2 * SideMargin;
    qreal y = TopMargin;
    QPainter &p = m_painter;
    p.setPen(QPen(Qt::black, pt(0.5)));

    // 测试报告, centred, with the group's number at the right.
    p.setFont(pageFont(22, true));
    const QRectF titleRect(pt(left), pt(y), pt(width), pt(TitleHeight - 6));
    p.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop, tr("测试报告"));
    p.setFont(pageFont(12, true));
    p.drawText(titleRect, Qt::AlignRight | Qt::AlignBottom, GroupList::entryText(groupNumber));
    y += TitleHeight;

    GroupValues values;
    if (!values.parse(groupText)) {
        p.setFont(pageFont(12, false));
        p.drawText(QRectF(pt(left), pt(y), pt(width), pt(HeadingHeight)), Qt::AlignLeft,
                   tr("本组数据不完整，无法列出。"));
        return;
    }

    const bool fourWire = values.isFourWire();
    const QStringList numbers = ReportValues::placeholderValues(ReportKind::Word, values, QString());
    const QString headings[] = { tr("（1）伏安"), tr("（2）频率"), tr("（3）相位"),
                                 fourWire ? tr("（4）相量图") : tr("(4)相量图"),
                                 fourWire ? tr("（5）接线检查") : tr("(5)接线检查") };
    const std::vector<Table> &tables = tablesFor(values);
    for (size_t t = 0; t < tables.size(); ++t) {
        p.setFont(pageFont(12, true));
        p.drawText(QRectF(pt(left), pt(y), pt(width), pt(HeadingHeight)),
                   Qt::AlignLeft | Qt::AlignVCenter, headings[t]);
        y += HeadingHeight;

        const Table &table = tables[t];
        p.setFont(pageFont(10.5, false));
        std::vector<qreal> x{ left };
        for (qreal w : table.columns)
            x.push_back(x.back() + w);
        // Columns still covered by a cell of a row above, per row.
        std::vector<std::vector<bool>> covered(table.rows.size(),
                                               std::vector<bool>(table.columns.size(), false));
        for (size_t r = 0; r < table.rows.size(); ++r) {
            size_t column = 0;
            for (const Cell &cell : table.rows[r]) {
                while (column < table.columns.size() && covered[r][column])
                    ++column;
                for (int dr = 0; dr < cell.rowSpan && r + dr < table.rows.size(); ++dr)
                    for (int dc = 0; dc < cell.colSpan && column + dc < table.columns.size(); ++dc)
                        covered[r + dr][column + dc] = true;
                const size_t end = qMin(column + cell.colSpan, table.columns.size());
                const QRectF rect(pt(x[column]), pt(y + r * RowHeight), pt(x[end] - x[column]),
                                  pt(cell.rowSpan * RowHeight));
                column = end;
                QString text;
                switch (cell.kind) {
                case Kind::Text:
                    text = ReportTemplate::fill(QString::fromUtf8(cell.text), numbers);
                    break;
                case Kind::VoltageSequence:
                    text = ReportValues::voltageSequenceLines(values).join(QLatin1Char('\n'));
                    break;
                case Kind::CurrentSequence:
                    text = ReportValues::currentSequenceLines(values).join(QLatin1Char('\n'));
                    break;
                }
                p.setBrush(Qt::NoBrush);
                p.drawRect(rect);
                p.drawText(rect, Qt::AlignCenter, text);
            }
        }
        y += table.rows.size() * RowHeight + GapAfterTable;
    }

    // The wiring check's lines, wrapped to the page's width; measured first,
    // as the diagram above them gets the height they leave.
    p.setFont(pageFont(10.5, false));
    QStringList findings;
    std::vector<qreal> findingHeights;
    qreal checkHeight = HeadingHeight;
    for (const QString &line : WiringDiagnosis::reportLines(values, m_window)) {
        findings << line;
        findingHeights.push_back(
            p.boundingRect(QRectF(0, 0, pt(width), pt(PageHeight)), Qt::TextWordWrap, findings.last())
                .height() / m_scale);
        checkHeight += findingHeights.back();
    }

    p.setFont(pageFont(12, true));
    p.drawText(QRectF(pt(left), pt(y), pt(width), pt(HeadingHeight)),
               Qt::AlignLeft | Qt::AlignVCenter, headings[3]);
    y += HeadingHeight;

    // The diagram, square, centred, as large as the rest of the page allows.
    const qreal side = qBound(SmallestDiagram,
                              PageHeight - BottomMargin - y - GapAfterTable - checkHeight, LargestDiagram);
    p.save();
    p.translate(pt(left + (width - side) / 2), pt(y));
    p.scale(pt(side) / 600.0, pt(side) / 600.0);
    PhasorDiagram::paintPhasors(p, QSize(600, 600), PhasorDiagram::backgroundColour(),
                                m_pictureFont, values, m_orientation);
    p.restore();
    y += side + GapAfterTable;

    p.setFont(pageFont(12, true));
    p.drawText(QRectF(pt(left), pt(y), pt(width), pt(HeadingHeight)),
               Qt::AlignLeft | Qt::AlignVCenter, headings[4]);
    y += HeadingHeight;
    p.setFont(pageFont(10.5, false));
    for (int i = 0; i < findings.size(); ++i) {
        p.drawText(QRectF(pt(left), pt(y), pt(width), pt(findingHeights[i])),
                   Qt::AlignLeft | Qt::TextWordWrap, findings.at(i));
        y += findingHeights[i];
    }
}

bool PdfReport::commit()
{
    if (!m_painter.isActive())
        return false;
    // flush() is checked on its own, as saveWholeFile does: a commit after a
    // failed buffered write would put a truncated file in place.
    const bool ended = m_painter.end();
    m_writer.reset();
    if (ended && m_file.error() == QFileDevice::NoError && m_file.flush() && m_file.commit())
        return true;
    m_file.cancelWriting();
    return false;
}

void PdfReport::cancel()
{
    if (m_painter.isActive())
        m_painter.end();
    m_writer.reset();
    m_file.cancelWriting();
}
