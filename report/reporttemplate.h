#ifndef REPORTTEMPLATE_H
#define REPORTTEMPLATE_H

#include <QString>
#include <QStringList>

// The report templates carried in the resources: single-file web pages
// (MIME multipart/related) with numbered placeholders "%1", "%2", ...
namespace ReportTemplate {

inline constexpr char Word3x4Path[] = ":/res/3x4doc.xml";
inline constexpr char Word3x3Path[] = ":/res/3x3doc.xml";
inline constexpr char Excel3x4Path[] = ":/res/3x4xls.xml";
inline constexpr char Excel3x3Path[] = ":/res/3x3xls.xml";

// Placeholders per template: the four-wire templates end with "%29", the
// three-wire ones with "%20"; the highest number is the diagram.
inline constexpr int FourWirePlaceholders = 29;
inline constexpr int ThreeWirePlaceholders = 20;

// The whole template at `resourcePath`, one character per byte (Latin-1):
// 7-bit text apart from the GBK preamble line. A null string when the path
// cannot be read.
QString read(const QString &resourcePath);

// The template with the k-th value in place of every "%k". A placeholder is
// "%" followed by one or two ASCII digits, as QString::arg reads it: "%1V" is
// placeholder 1, "%10" placeholder 10, "%123" placeholder 12 followed by "3".
// The text is walked once, so inserted values are never scanned again (a
// value containing "%5" stays as it is). Placeholders numbered 0 or above
// values.size() stay as written. Repeated QString::arg calls give the same
// result on the templates, whose numbers run from 1 without gaps, once each.
QString fill(const QString &templateText, const QStringList &values);

} // namespace ReportTemplate

#endif // REPORTTEMPLATE_H
