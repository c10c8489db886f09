#ifndef TOOLSETTINGS_H
#define TOOLSETTINGS_H

#include <QCoreApplication>
#include <QSettings>

// The tool's own settings (only what additions remember, such as 报告信息),
// stored under the application's name as organisation too: without an
// organisation, Windows' registry settings store nothing at all.
class ToolSettings : public QSettings
{
public:
    ToolSettings()
        : QSettings(QSettings::UserScope, QCoreApplication::applicationName(),
                    QCoreApplication::applicationName())
    {
    }
};

#endif // TOOLSETTINGS_H
