#include "reportpage.h"

#include "paperdiagram.h"
#include "reporttemplate.h"
#include "reportvalues.h"
#include "device/grouplist.h"
#include "view/groupvalues.h"
#include "view/numbertext.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>


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
        { { "3", 3 }, { "功角", 3 }, { "UA→IA" }, { "%10°" }, { NotApplicable } },
        { { "UB→IB" }, { "%11°" }, { NotApplicable } },
        { { "UC→IC" }, { "%12°" }, { NotApplicable } },
    } };
    addPowerRows(volts, { { "A路", "B路", "C路" }, { "A路", "B路", "C路" }, { "A路", "B路", "C路" } },
                 { { "%13W", "%14W", "%15W" }, { "%16Var", "%17Var", "%18Var" },
                   { "%19VA", "%20VA", "%21VA" } });
    const Table frequency{ { 48, 84, 66, 100, 117.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "值", 1, 2 } },
        { { "1" }, { "频率", 1, 2 }, { "%22Hz", 1, 2 } },
    } };
    // The phase pairs in the wiring check's notation, the lag from X to Y as
    // X→Y (the Word report's C>A is A→C).
    const Table phases{ { 48, 100, 89.1, 89.1, 89.1 }, {
        { { "序号" }, { "测试项目" }, { "A→B" }, { "B→C" }, { "A→C" } },
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
        { { "3", 2 }, { "功角", 2 }, { "UAB→IAB" }, { "%7°" }, { NotApplicable } },
        { { "UCB→ICB" }, { "%8°" }, { NotApplicable } },
    } };
    addPowerRows(volts, { { "Pab", "Pcb" }, { "Qab", "Qcb" }, { "Sab", "Scb" } },
                 { { "%9W", "%10W" }, { "%11Var", "%12Var" }, { "%13VA", "%14VA" } });
    const Table frequency{ { 48, 84, 66, 100, 117.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "值", 1, 2 } },
        { { "1" }, { "频率", 1, 2 }, { "%15Hz", 1, 2 } },
    } };
    // The one pair the instrument measures, in the wiring check's notation.
    const Table phases{ { 48, 84, 66, 217.3 }, {
        { { "序号" }, { "测试项目", 1, 2 }, { "AB→CB" } },
        { { "1" }, { "电流相位", 1, 2 }, { "%17°" } },
        { { "2" }, { "电压相位", 1, 2 }, { "%19°" } },
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

// The page, in points. The Word report's rows are 17 pt and its diagram
// 415.5 pt wide, which takes two pages; here the rows are closer, the
// header block takes the top margin and the diagram stands beside the
// wiring check, the same size for every group.
constexpr qreal PageWidth = ReportPage::Width;
constexpr qreal PageHeight = ReportPage::Height;
constexpr qreal SideMargin = 72;
constexpr qreal HeaderTop = 30;
constexpr qreal HeaderLine = 12;
constexpr qreal TitleTop = 58;
constexpr qreal TitleHeight = 28;
constexpr qreal HeadingHeight = 18;
constexpr qreal RowHeight = 13;
constexpr qreal GapAfterTable = 6;
constexpr qreal DiagramSide = 200; // over a third of the page's width
constexpr qreal ColumnGap = 12;
constexpr qreal FooterTop = PageHeight - 20;
// The signatures' row, above the page number.
constexpr qreal SignatureTop = FooterTop - RowHeight - 8;

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

QString power(double value)
{
    return NumberText::fixed(value, NumberText::PowerDecimals);
}

// The totals under the power table, of the elements it shows (a three-wire
// page shows two: their B entries stay out): the secondary side as measured
// and, with ratios given, the primary side in kW, kvar and kVA.
QStringList totalLines(const GroupValues &values, const ReportInfo &info)
{
    const bool b = values.isFourWire();
    const double active = values.activePowerA + (b ? values.activePowerB : 0) + values.activePowerC;
    const double reactive = values.reactivePowerA + (b ? values.reactivePowerB : 0) + values.reactivePowerC;
    const double apparent = values.apparentPowerA + (b ? values.apparentPowerB : 0) + values.apparentPowerC;
    const double factor = apparent != 0 ? active / apparent : 0;
    QStringList lines{ tr("合计：ΣP=%1W  ΣQ=%2Var  ΣS=%3VA  ΣP/ΣS=%4")
                           .arg(power(active), power(reactive), power(apparent),
                                NumberText::fixed(factor, NumberText::FactorDecimals)) };
    if (info.hasRatios()) {
        QStringList ratios;
        const QString current = ReportInfo::ratioText(info.currentRatio, ReportInfo::Ratio::Current);
        const QString voltage = ReportInfo::ratioText(info.voltageRatio, ReportInfo::Ratio::Voltage);
        if (!current.isEmpty())
            ratios << tr("电流互感器变比 %1").arg(current);
        if (!voltage.isEmpty())
            ratios << tr("电压互感器变比 %1").arg(voltage);
        lines << ratios.join(QStringLiteral("  "));
        lines << tr("一次侧：ΣP=%1kW  ΣQ=%2kvar  ΣS=%3kVA")
                     .arg(power(info.primary(active) / 1000), power(info.primary(reactive) / 1000),
                          power(info.primary(apparent) / 1000));
    }
    return lines;
}

} // namespace

ReportPage::ReportPage(PhasorDiagram::Orientation orientation, const ReportInfo &info)
    : m_orientation(orientation)
    , m_info(info)
{
}

void ReportPage::paint(QPainter &p, qreal scale, int pageNumber, int pageCount, int groupNumber,
                       const QString &groupText, WiringDiagnosis::LoadWindow window) const
{
    const auto pt = [scale](qreal points) { return points * scale; };
    const qreal left = SideMargin;
    const qreal width = PageWidth - 2 * SideMargin;
    p.save();
    p.setPen(QPen(Qt::black, pt(0.5)));
    p.setBrush(Qt::NoBrush);

    // The header: who, where and when, in cells that cut a long text short
    // rather than run into the next.
    p.setFont(pageFont(9, false));
    const QFontMetricsF metrics(p.font(), p.device());
    const auto headerCell = [&](int line, qreal from, qreal share, const QString &text) {
        const QRectF rect(pt(left + from * width), pt(HeaderTop + line * HeaderLine),
                          pt(share * width - 6), pt(HeaderLine));
        p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(text, Qt::ElideRight, rect.width()));
    };
    headerCell(0, 0, 0.5, tr("用户名称：%1").arg(m_info.customer));
    headerCell(0, 0.5, 0.5, tr("安装地点：%1").arg(m_info.site));
    headerCell(1, 0, 1.0 / 3, tr("电能表编号：%1").arg(m_info.meterNumber));
    headerCell(1, 1.0 / 3, 1.0 / 3, tr("检测人：%1").arg(m_info.tester));
    headerCell(1, 2.0 / 3, 1.0 / 3,
               tr("检测日期：%1").arg(m_info.date.toString(QStringLiteral("yyyy-MM-dd"))));
    const qreal rule = HeaderTop + 2 * HeaderLine + 2;
    p.drawLine(QPointF(pt(left), pt(rule)), QPointF(pt(left + width), pt(rule)));
    p.drawText(QRectF(pt(left), pt(FooterTop), pt(width), pt(HeaderLine)), Qt::AlignCenter,
               tr("第%1页 共%2页").arg(pageNumber).arg(pageCount));

    // 测试报告, centred, with the group's number at the right.
    qreal y = TitleTop;
    p.setFont(pageFont(22, true));
    const QRectF titleRect(pt(left), pt(y), pt(width), pt(TitleHeight - 4));
    p.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop, tr("测试报告"));
    p.setFont(pageFont(12, true));
    p.drawText(titleRect, Qt::AlignRight | Qt::AlignBottom, GroupList::entryText(groupNumber));
    y += TitleHeight;

    GroupValues values;
    if (!values.parse(groupText)) {
        p.setFont(pageFont(12, false));
        p.drawText(QRectF(pt(left), pt(y), pt(width), pt(HeadingHeight)), Qt::AlignLeft,
                   tr("本组数据不完整，无法列出。"));
        p.restore();
        return;
    }

    const bool fourWire = values.isFourWire();
    const QStringList numbers = ReportValues::placeholderValues(ReportKind::Word, values, QString());
    const QString headings[] = { tr("（1）伏安"), tr("（2）频率"), tr("（3）相位"),
                                 fourWire ? tr("（4）相量图") : tr("(4)相量图"),
                                 fourWire ? tr("（5）接线检查") : tr("(5)接线检查") };
    const std::vector<Table> &tables = tablesFor(values);
    for (size_t t = 0; t < tables.size(); ++t) {
        const Table &table = tables[t];
        qreal tableWidth = 0;
        for (qreal w : table.columns)
            tableWidth += w;
        const qreal tableLeft = left + (width - tableWidth) / 2;
        p.setFont(pageFont(12, true));
        p.drawText(QRectF(pt(tableLeft), pt(y), pt(width), pt(HeadingHeight)),
                   Qt::AlignLeft | Qt::AlignVCenter, headings[t]);
        y += HeadingHeight;

        p.setFont(pageFont(10.5, false));
        std::vector<qreal> x{ tableLeft };
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
                p.drawRect(rect);
                p.drawText(rect, Qt::AlignCenter, text);
            }
        }
        y += table.rows.size() * RowHeight;
        if (t == 0) {
            for (const QString &line : totalLines(values, m_info)) {
                p.drawText(QRectF(pt(tableLeft), pt(y), pt(tableWidth), pt(RowHeight)),
                           Qt::AlignLeft | Qt::AlignVCenter, line);
                y += RowHeight;
            }
        }
        y += GapAfterTable;
    }

    // The diagram at the left, the wiring check beside it.
    const qreal checkLeft = left + DiagramSide + ColumnGap;
    const qreal checkWidth = width - DiagramSide - ColumnGap;
    p.setFont(pageFont(12, true));
    p.drawText(QRectF(pt(left), pt(y), pt(DiagramSide), pt(HeadingHeight)),
               Qt::AlignLeft | Qt::AlignVCenter, headings[3]);
    p.drawText(QRectF(pt(checkLeft), pt(y), pt(checkWidth), pt(HeadingHeight)),
               Qt::AlignLeft | Qt::AlignVCenter, headings[4]);
    y += HeadingHeight;

    p.save();
    p.translate(pt(left), pt(y));
    PaperDiagram::paint(p, DiagramSide, scale, values, m_orientation);
    p.restore();
    const qreal belowDiagram = y + DiagramSide;

    p.setFont(pageFont(10.5, false));
    const auto paragraph = [&](qreal from, qreal across, const QString &text) {
        const QRectF bounds = p.boundingRect(QRectF(pt(from), pt(y), pt(across), pt(PageHeight)),
                                             Qt::AlignLeft | Qt::TextWordWrap, text);
        p.drawText(bounds, Qt::AlignLeft | Qt::TextWordWrap, text);
        y += bounds.height() / scale;
    };
    for (const QString &line : WiringDiagnosis::reportLines(values, window))
        paragraph(checkLeft, checkWidth, line);

    // The page closes with the verdict in one sentence and the lines the
    // tester and the customer sign.
    y = qMax(y, belowDiagram) + GapAfterTable;
    p.setFont(pageFont(10.5, true));
    paragraph(left, width, WiringDiagnosis::conclusion(values, window));
    p.setFont(pageFont(10.5, false));
    const QString signatures[] = { tr("检测人："), tr("用户："), tr("日期：") };
    const qreal signatureTop = qMax(y + 4, SignatureTop);
    for (int i = 0; i < 3; ++i) {
        const QRectF cell(pt(left + i * width / 3), pt(signatureTop), pt(width / 3), pt(RowHeight));
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, signatures[i]);
        const qreal lineLeft = cell.left() + QFontMetricsF(p.font(), p.device()).horizontalAdvance(signatures[i]);
        p.drawLine(QPointF(lineLeft, cell.bottom()), QPointF(cell.right() - pt(12), cell.bottom()));
    }
    p.restore();
}
