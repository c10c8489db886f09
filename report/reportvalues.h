#ifndef REPORTVALUES_H
#define REPORTVALUES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

struct GroupValues;

// The two report programs: a Word document (.doc) or an Excel workbook
// (.xls), both single-file web pages filled from a template.
enum class ReportKind { Word, Excel };

// What the Word and Excel exports write, without dialogs or files: the
// template of the group's wiring system and the values of its placeholders.
namespace ReportValues {

// Starts each further line of a Word phase-sequence cell: a centred
// paragraph in the cell's own format, written the way the template's main
// part is written (quoted-printable, "=" as "=3D").
inline constexpr char WordParagraphOpener[] =
    "<p class=3DMsoNormal align=3Dcenter style=3D'text-align:center'><span lang=3DEN-US"
    " style=3D'font-size:10.5pt;mso-bidi-font-size:12.0pt'>";

// The four-wire template when wiringCode is exactly 2.0, the three-wire one
// for any other value.
QString templatePath(ReportKind kind, const GroupValues &values);

// The phase-sequence texts of the 相序 cells. Word: one paragraph per pair of
// phases, each ending in its degree sign. Excel: one line, whose last degree
// sign comes from the template.
QString voltageSequenceText(ReportKind kind, const GroupValues &values);
QString currentSequenceText(ReportKind kind, const GroupValues &values);
// The same angles as the PDF writes them, one line each: in the wiring
// check's notation, the lag from X to Y as "UX→UY" ("UA→UC 240.0°", where
// the Word report writes "UC~UA:240.0°"); three-wire the one angle the
// instrument measures, "UAB→UCB" and "IA→IC".
QStringList voltageSequenceLines(const GroupValues &values);
QStringList currentSequenceLines(const GroupValues &values);

// The values of "%1", "%2", ... of the chosen template in order: 29 for the
// four-wire templates, 20 for the three-wire ones, the diagram's base64 text
// last. Numbers as fixed-point texts with the table's decimals.
QStringList placeholderValues(ReportKind kind, const GroupValues &values,
                              const QString &diagramBase64);

// The filled template as the report file holds it: the template's text (one
// character per byte) with the values in place, written as UTF-8. The picture
// part receives diagramPng in base64, whatever picture format it holds.
QByteArray buildReport(ReportKind kind, const GroupValues &values,
                       const QByteArray &diagramPng);

// The save dialog's filter: "DOC文件 (*.doc)" or "XLS文件 (*.xls)".
QString saveFilter(ReportKind kind);

} // namespace ReportValues

#endif // REPORTVALUES_H
