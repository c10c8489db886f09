// One PDF page of a group text, with report information and ratios,
// written to a temporary folder.
#include "fuzzcheck.h"
#include "pdfreport.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {
QTemporaryDir *folder;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = folder->filePath("page.pdf");
    ReportInfo info;
    info.customer = QStringLiteral("用户");
    info.currentRatio = QStringLiteral("200/5");
    info.voltageRatio = QStringLiteral("10kV/100V");
    const ReportPage page(PhasorDiagram::Orientation(), info);
    PdfReport report(path, page, 1);
    FUZZ_REQUIRE(report.open());
    report.addPage(1, QString::fromUtf8(fuzzBytes(data, size)));
    FUZZ_REQUIRE(report.commit() && QFileInfo(path).size() > 0);
    return 0;
}
