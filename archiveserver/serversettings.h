#ifndef SERVERSETTINGS_H
#define SERVERSETTINGS_H

#include <QString>
#include <QStringList>

// Where the department's archive is, kept with the tool's settings (档案库).
// The password is never kept: libpq takes it from its password file
// (~/.pgpass, %APPDATA%\postgresql\pgpass.conf), else the tool asks once
// per start (ServerConnection::setSessionPassword).
struct ServerSettings
{
    bool enabled = false;     // the local archive alone when false
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QStringLiteral("prefer"); // libpq's: prefer, require, verify-full
    QString sslRootCert;      // the department's CA file, for verify-full
    // A connection string or service name ("service=metering") used
    // instead of the fields above when not empty.
    QString connection;
    int connectTimeout = 5;   // seconds

    static const QStringList &sslModes();
    static ServerSettings load();
    void save() const;

    // libpq's "keyword=value ..." without a password; the values quoted.
    QString conninfo() const;
    // "user@host:port/database" or the connection string, for the status bar.
    QString displayName() const;
    // Empty when usable, else what is missing, in the tool's words.
    QString problem() const;
};

#endif // SERVERSETTINGS_H
