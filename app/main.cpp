#include "mainwindow.h"
#include "serverconnection.h"
#include "workingfolder.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // Makes a department's archive on a PostgreSQL server and exits.
    if (argc > 1 && qstrcmp(argv[1], "--init-archive-server") == 0)
        return initArchiveServerCommand(argc, argv);

    // The toolkit's own standard texts (dialog buttons, file dialogs) in
    // Chinese. A missing catalogue only leaves those texts in English.
    QTranslator translator;
    (void)translator.load(QStringLiteral(":/qt_zh_CN"));

    QApplication app(argc, argv);
    // Names the user's data folder (~/.local/share/datamanager), where the
    // copies of readings are kept, whatever the executable is called.
    QApplication::setApplicationName(QStringLiteral("datamanager"));
    app.installTranslator(&translator);
    WorkingFolder::makeWritable();

    MainWindow window;
    window.show();
    return app.exec();
}
