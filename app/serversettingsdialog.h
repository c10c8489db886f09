#ifndef SERVERSETTINGSDIALOG_H
#define SERVERSETTINGSDIALOG_H

#include "serversettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// 档案库: the archive on this computer always, and optionally the
// department's PostgreSQL server beside it, by its fields or by a
// connection string or service name. The password is never asked here:
// libpq's password file holds it, else the tool asks once per start.
class ServerSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    ServerSettingsDialog(const ServerSettings &settings, const QString &localPath, QWidget *parent);

    ServerSettings settings() const;

    void accept() override;

private:
    void enableFields();

    QCheckBox *m_enabled;
    QLineEdit *m_host;
    QSpinBox *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QComboBox *m_sslMode;
    QLineEdit *m_caFile;
    QLineEdit *m_connection;
    QLabel *m_problem;
    int m_timeout;
};

#endif // SERVERSETTINGSDIALOG_H
