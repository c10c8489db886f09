#include "reportpage.h"

#include "paperdiagram.h"
#include "reporttemplate.h"
#include "reportvalues.h"
#include "grouplist.h"
#include "groupvalues.h"
#include "numbertext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ReportPage", text);
}

// The report's tables as the Word and Excel templates have them, from their
// one description, with the PDF page's own texts and widths where it has
// them. "%k" is where the k-th value of ReportValues::placeholderValues goes;
// the phase-sequence cells take their lines from ReportValues.
enum class Kind { Text, VoltageSequence, CurrentSequence };

struct Cell
{
    QString text;
    int rowSpan = 1;
    int colSpan = 1;
    Kind kind = Kind::Text;
};

struct Table
{
    std::vector<qreal> columns;
    std::vector<std::vector<Cell>> rows;
};

struct Tables
{
    QStringList headings;
    std::vector<Table> tables;
};

Tables loadTables(const QJsonObject &described)
{
    Tables result;
    for (const QJsonValue heading : described[u"headings"].toArray())
        result.headings << heading.toString();
    for (const QJsonValue tableValue : described[u"tables"].toArray()) {
        const QJsonObject table = tableValue.toObject();
        Table page;
        const QJsonValue widths = table.contains(u"pdfColumns") ? table[u"pdfColumns"] : table[u"columns"];
        for (const QJsonValue width : widths.toArray())
            page.columns.push_back(width.toDouble());
        for (const QJsonValue rowValue : table[u"rows"].toArray()) {
            std::vector<Cell> row;
            for (const QJsonValue cellValue : rowValue.toArray()) {
                const QJsonObject cell = cellValue.toObject();
                const QJsonValue pdf = cell[u"pdf"];
                if (pdf.isBool() && !pdf.toBool())
                    continue; // not on the page
                const QString sequence = cell[u"sequence"].toString();
                const Kind kind = sequence == u"voltage" ? Kind::VoltageSequence
                    : sequence == u"current"             ? Kind::CurrentSequence
                                                         : Kind::Text;
                QString text;
                if (kind == Kind::Text)
                    text = pdf.isString() ? pdf.toString()
                                          : cell[u"text"].toString().replace(QStringLiteral("&deg;"), QStringLiteral("°"));
                row.push_back({ text, cell[u"rows"].toInt(1), cell[u"cols"].toInt(1), kind });
            }
            page.rows.push_back(row);
        }
        result.tables.push_back(page);
    }
    return result;
}

// Read once; the page painting only reads them.
const Tables &tablesFor(const GroupValues &values)
{
    static const QJsonObject described = [] {
        QFile file(QStringLiteral(":/res/tables.json"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the report's tables are missing from the resources");
        return QJsonDocument::fromJson(file.readAll()).object();
    }();
    static const Tables fourWire = loadTables(described[u"3x4"].toObject());
    static const Tables threeWire = loadTables(described[u"3x3"].toObject());
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

ReportPage::ReportPage(PhasorDiagram::Orientation orientation, const ReportInfo &info,
                       const EnergyRefund::Accuracy &accuracy)
    : m_orientation(orientation)
    , m_info(info)
    , m_accuracy(accuracy)
{
}

void ReportPage::paint(QPainter &p, qreal scale, int pageNumber, int pageCount, int groupNumber,
                       const QString &groupText, WiringDiagnosis::LoadWindow window,
                       const std::optional<EnergyRefund::PeriodRegisters> &registers) const
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

    const std::optional<GroupValues> parsed = GroupValues::fromText(groupText);
    if (!parsed) {
        p.setFont(pageFont(12, false));
        p.drawText(QRectF(pt(left), pt(y), pt(width), pt(HeadingHeight)), Qt::AlignLeft,
                   tr("本组数据不完整，无法列出。"));
        p.restore();
        return;
    }
    const GroupValues &values = *parsed;
    const QStringList numbers = ReportValues::placeholderValues(ReportKind::Word, values, QString());
    const QStringList &headings = tablesFor(values).headings;
    const std::vector<Table> &tables = tablesFor(values).tables;
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
                    text = ReportTemplate::fill(cell.text, numbers);
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
    const WiringDiagnosis::Diagnosis diagnosis = WiringDiagnosis::diagnose(values, window);
    // K's interval after the check's own lines; the refund, where registers
    // were read, goes to the conclusion, so that the page still holds it all.
    const QStringList lines = WiringDiagnosis::reportLines(values, window)
        + EnergyRefund::refundLines(values, diagnosis, std::nullopt, m_accuracy);
    for (const QString &line : lines)
        paragraph(checkLeft, checkWidth, line);

    // The page closes with the verdict in one sentence and the lines the
    // tester and the customer sign.
    y = qMax(y, belowDiagram) + GapAfterTable;
    p.setFont(pageFont(10.5, true));
    QString conclusion = WiringDiagnosis::conclusion(values, window);
    if (registers)
        conclusion += EnergyRefund::conclusionSentence(values, diagnosis, *registers, m_accuracy);
    paragraph(left, width, conclusion);
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
