#include "serversettings.h"

#include "toolsettings.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ServerSettings", text);
}

// libpq's quoting of a value: in single quotes, with \ and ' escaped.
QString quoted(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

} // namespace

const QStringList &ServerSettings::sslModes()
{
    static const QStringList modes = { QStringLiteral("prefer"), QStringLiteral("require"),
                                       QStringLiteral("verify-full") };
    return modes;
}

ServerSettings ServerSettings::load()
{
    ToolSettings settings;
    settings.beginGroup(QStringLiteral("archiveServer"));
    ServerSettings s;
    s.enabled = settings.value(QStringLiteral("enabled"), false).toBool();
    s.host = settings.value(QStringLiteral("host")).toString();
    s.port = settings.value(QStringLiteral("port"), 5432).toInt();
    s.database = settings.value(QStringLiteral("database")).toString();
    s.user = settings.value(QStringLiteral("user")).toString();
    s.sslMode = settings.value(QStringLiteral("sslMode"), s.sslMode).toString();
    if (!sslModes().contains(s.sslMode))
        s.sslMode = QStringLiteral("prefer");
    s.sslRootCert = settings.value(QStringLiteral("sslRootCert")).toString();
    s.connection = settings.value(QStringLiteral("connection")).toString();
    s.connectTimeout = qBound(1, settings.value(QStringLiteral("connectTimeout"), 5).toInt(), 60);
    return s;
}

void ServerSettings::save() const
{
    ToolSettings settings;
    settings.beginGroup(QStringLiteral("archiveServer"));
    settings.setValue(QStringLiteral("enabled"), enabled);
    settings.setValue(QStringLiteral("host"), host);
    settings.setValue(QStringLiteral("port"), port);
    settings.setValue(QStringLiteral("database"), database);
    settings.setValue(QStringLiteral("user"), user);
    settings.setValue(QStringLiteral("sslMode"), sslMode);
    settings.setValue(QStringLiteral("sslRootCert"), sslRootCert);
    settings.setValue(QStringLiteral("connection"), connection);
    settings.setValue(QStringLiteral("connectTimeout"), connectTimeout);
}

QString ServerSettings::conninfo() const
{
    QStringList parts;
    const QString given = connection.trimmed();
    if (!given.isEmpty()) {
        // A bare name is a service of pg_service.conf.
        parts << (given.contains(u'=') ? given : QStringLiteral("service=") + quoted(given));
    } else {
        if (!host.trimmed().isEmpty())
            parts << QStringLiteral("host=") + quoted(host.trimmed());
        parts << QStringLiteral("port=%1").arg(port);
        if (!database.trimmed().isEmpty())
            parts << QStringLiteral("dbname=") + quoted(database.trimmed());
        if (!user.trimmed().isEmpty())
            parts << QStringLiteral("user=") + quoted(user.trimmed());
        parts << QStringLiteral("sslmode=") + sslMode;
        if (sslMode == QLatin1String("verify-full") && !sslRootCert.isEmpty())
            parts << QStringLiteral("sslrootcert=") + quoted(sslRootCert);
    }
    if (!given.contains(QLatin1String("connect_timeout")))
        parts << QStringLiteral("connect_timeout=%1").arg(connectTimeout);
    return parts.join(u' ');
}

QString ServerSettings::displayName() const
{
    if (!connection.trimmed().isEmpty())
        return connection.trimmed();
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

QString ServerSettings::problem() const
{
    const QString all = conninfo() + connection;
    // The driver parts its options at ";".
    if (all.contains(u';'))
        return tr("连接设置中不能有分号（;）");
    if (!connection.trimmed().isEmpty())
        return QString();
    if (host.trimmed().isEmpty())
        return tr("请填写服务器的主机");
    if (database.trimmed().isEmpty())
        return tr("请填写数据库");
    if (user.trimmed().isEmpty())
        return tr("请填写用户名");
    if (sslMode == QLatin1String("verify-full") && sslRootCert.isEmpty())
        return tr("verify-full 需要部门的 CA 证书文件");
    return QString();
}
