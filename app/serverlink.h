#ifndef SERVERLINK_H
#define SERVERLINK_H

#include "serversettings.h"

#include <QObject>
#include <QPointer>
#include <memory>

class ArchiveDialog;
class ArchiveLink;
class QAction;
class QLabel;
class QStatusBar;
class QWidget;
class ServerConnection;
class ServerSync;

// The window's side of the department's server: the setting 档案库, the
// sending beside the window (at start, after each read, every few
// minutes), where it stands in the status bar beside the local archive's
// own state, the password asked once per start when libpq's password file
// has none, and the 档案 window's search on the server while it answers.
class ServerLink : public QObject
{
    Q_OBJECT

public:
    ServerLink(QWidget *window, ArchiveLink *archive, QStatusBar *bar);
    ~ServerLink() override;

    // 档案库, for the 档案 drop-down.
    QAction *settingsAction() const { return m_settingsAction; }
    // The server's words in the status bar (已同步, 未同步 N 组, 无法连接：…).
    QString stateText() const;
    // Uses these settings from now on (a new sender; nothing is lost).
    void apply(const ServerSettings &settings);
    ServerSync *sync() const { return m_sync.get(); }

signals:
    // A pass of the sender ended (for tests and the status bar).
    void passFinished(bool ok);

private:
    void editSettings();
    void askPassword();
    void joinSearch(ArchiveDialog *dialog);

    QWidget *m_window;
    ArchiveLink *m_archive;
    QLabel *m_localState;
    QLabel *m_serverState;
    QAction *m_settingsAction;
    ServerSettings m_settings;
    std::unique_ptr<ServerSync> m_sync;
    // The 档案 window's connection, in the window's thread.
    std::unique_ptr<ServerConnection> m_search;
    bool m_reachable = false;
    QString m_reason;
    bool m_asked = false;
};

#endif // SERVERLINK_H
