// The Excel workbook of the group table, written with libxlsxwriter. The
// library is used here and nowhere else.

#include "grouptable.h"

#include "groupverdict.h"
#include "wholefile.h"
#include "workbookcheck.h"
#include "groupsummary.h"
#include "groupvalues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <xlsxwriter.h>
#include <cmath>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace GroupTable {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("XlsxWorkbook", text);
}

// Column width in Excel's units (the width of a digit); a Chinese character
// takes two.
double widthOf(const QString &text)
{
    double width = 2;
    for (const QChar c : text)
        width += c.unicode() >= 0x2E80 ? 2 : 1;
    return std::max(width, 8.0);
}

lxw_color_t rgbOf(const QColor &colour)
{
    return lxw_color_t((colour.red() << 16) | (colour.green() << 8) | colour.blue());
}

// The name of the scratch folder as the library is to be given it. Built
// with MinGW, it opens every file with the C library's narrow functions,
// which on Windows take the ANSI code page (built with MSVC, UTF-8 for the
// workbook); a folder whose name is not plain ASCII (a Chinese user name)
// is therefore given by its short 8.3 name, which is.
QByteArray scratchFolderName(const QString &folder)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(folder);
    wchar_t shortName[MAX_PATH];
    const DWORD length = GetShortPathNameW(reinterpret_cast<const wchar_t *>(native.utf16()), shortName, MAX_PATH);
    const QString name = length > 0 && length < MAX_PATH ? QString::fromWCharArray(shortName, int(length)) : native;
    return name.toLocal8Bit();
#else
    return QFile::encodeName(folder);
#endif
}

class Workbook
{
public:
    Workbook(const QByteArray &fileName, QByteArray scratchFolder)
    {
        lxw_workbook_options options{};
        options.tmpdir = scratchFolder.data(); // copied by the library
        m_book = workbook_new_opt(fileName.constData(), &options);
    }
    ~Workbook()
    {
        if (m_book)
            workbook_close(m_book); // only after a failure; frees the workbook
    }
    lxw_workbook *get() const { return m_book; }
    // Writes the file; false when that failed.
    bool close()
    {
        const lxw_error result = workbook_close(m_book);
        m_book = nullptr;
        return result == LXW_NO_ERROR;
    }

private:
    lxw_workbook *m_book;
};

lxw_format *numberFormat(lxw_workbook *book, int decimals)
{
    lxw_format *format = workbook_add_format(book);
    const QByteArray code = decimals > 0 ? "0." + QByteArray(decimals, '0') : QByteArray("0");
    format_set_num_format(format, code.constData());
    return format;
}

void writeHeaders(lxw_worksheet *sheet, lxw_format *format, const QStringList &headers)
{
    for (int column = 0; column < headers.size(); ++column) {
        const QByteArray text = headers.at(column).toUtf8();
        worksheet_write_string(sheet, 0, lxw_col_t(column), text.constData(), format);
        worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), widthOf(headers.at(column)), nullptr);
    }
    worksheet_freeze_panes(sheet, 1, 1);
}

// Sheet 1: one row per group, every figure a number.
bool writeValues(lxw_workbook *book, const QStringList &groups, lxw_format *header)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, tr("测量数据").toUtf8().constData());
    if (!sheet)
        return false;
    const Column *columns = valueColumns();
    const int count = valueColumnCount();
    QStringList headers{ numberHeader(), wiringHeader() };
    QVector<lxw_format *> formats;
    for (int i = 0; i < count; ++i) {
        headers << tr(columns[i].header);
        formats << numberFormat(book, columns[i].decimals);
    }
    writeHeaders(sheet, header, headers);
    for (int i = 0; i < groups.size(); ++i) {
        const lxw_row_t row = lxw_row_t(i + 1);
        const std::optional<GroupValues> values = GroupValues::fromText(groups.at(i));
        worksheet_write_number(sheet, row, 0, i + 1, nullptr);
        worksheet_write_string(sheet, row, 1, wiringSystemOf(values).toUtf8().constData(), nullptr);
        if (!values)
            continue;
        for (int c = 0; c < count; ++c) {
            const double value = columns[c].value(*values);
            if (!std::isnan(value))
                worksheet_write_number(sheet, row, lxw_col_t(c + 2), value, formats.at(c));
        }
    }
    worksheet_autofilter(sheet, 0, 0, lxw_row_t(groups.size()), lxw_col_t(headers.size() - 1));
    return true;
}

// Sheet 2: the verdict on each group's wiring, in its colour.
bool writeVerdicts(lxw_workbook *book, const QStringList &groups, lxw_format *header)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, tr("接线判断").toUtf8().constData());
    if (!sheet)
        return false;
    const QStringList headers{ numberHeader(), wiringHeader(), tr("结果"), tr("接线判断") };
    writeHeaders(sheet, header, headers);
    worksheet_set_column(sheet, 3, 3, 60, nullptr);
    lxw_format *colours[3];
    for (const WiringCheck::Severity severity :
         { WiringCheck::Severity::Normal, WiringCheck::Severity::Hint, WiringCheck::Severity::Fault }) {
        lxw_format *format = workbook_add_format(book);
        format_set_font_color(format, rgbOf(severityColour(severity)));
        colours[int(severity)] = format;
    }
    for (int i = 0; i < groups.size(); ++i) {
        const lxw_row_t row = lxw_row_t(i + 1);
        const std::optional<GroupValues> values = GroupValues::fromText(groups.at(i));
        const Verdict verdict = verdictOf(values);
        lxw_format *colour = colours[int(verdict.severity)];
        worksheet_write_number(sheet, row, 0, i + 1, nullptr);
        if (values) // an incomplete group's system stays empty
            worksheet_write_string(sheet, row, 1, wiringSystemText(*values).toUtf8().constData(), nullptr);
        worksheet_write_string(sheet, row, 2, WiringCheck::severityText(verdict.severity).toUtf8().constData(), colour);
        worksheet_write_string(sheet, row, 3, verdict.text.toUtf8().constData(), colour);
    }
    worksheet_autofilter(sheet, 0, 0, lxw_row_t(groups.size()), lxw_col_t(headers.size() - 1));
    return true;
}

} // namespace

bool saveXlsx(const QString &path, const QStringList &groups, QString *error)
{
    // The library writes to a file name of its own choosing, and leaves a
    // partial file when it fails. So it writes into a scratch folder, and the
    // whole workbook is put in place from there.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/datamanager-XXXXXX"));
    if (!scratch.isValid()) {
        if (error)
            *error = scratch.errorString();
        return false;
    }
    const QString workbookPath = scratch.filePath(QStringLiteral("workbook.xlsx"));
    const QByteArray folder = scratchFolderName(scratch.path());
    bool written = false;
    {
        Workbook book(folder + "/workbook.xlsx", folder);
        if (book.get()) {
            lxw_format *header = workbook_add_format(book.get());
            format_set_bold(header);
            format_set_bottom(header, LXW_BORDER_THIN);
            written = writeValues(book.get(), groups, header)
                && writeVerdicts(book.get(), groups, header) && book.close();
        }
    }
    QFile workbook(workbookPath);
    const QByteArray bytes = written && workbook.open(QIODevice::ReadOnly) ? workbook.readAll() : QByteArray();
    if (!WorkbookCheck::isWhole(bytes)) {
        if (error)
            *error = tr("Excel工作簿无法写入");
        return false;
    }
    return saveWholeFile(path, bytes, error);
}

} // namespace GroupTable
