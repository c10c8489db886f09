#include "serverconnection.h"

#include "serverschema.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ServerConnection", text);
}

QMutex passwordLock;
QString typedPassword;

// libpq's messages, most specific first, and what the user can do about them.
struct Reason
{
    const char *message;
    const char *said;
    ServerConnection::Failure kind;
};
const Reason Reasons[] = {
    { "no password supplied", "需要密码", ServerConnection::Failure::NeedsPassword },
    { "password authentication failed", "用户名或密码不对", ServerConnection::Failure::NeedsPassword },
    { "does not match host name", "服务器的证书与主机名不符", ServerConnection::Failure::Refused },
    { "certificate verify failed", "服务器的证书不是部门的 CA 签发的", ServerConnection::Failure::Refused },
    { "root certificate file", "找不到部门的 CA 证书文件", ServerConnection::Failure::Refused },
    { "server does not support SSL", "服务器不支持加密连接（TLS），设置却要求加密", ServerConnection::Failure::Refused },
    { "no pg_hba.conf entry", "服务器不允许这台计算机或这个用户连接", ServerConnection::Failure::Refused },
    { "database \"", "服务器上没有这个数据库", ServerConnection::Failure::Refused },
    { "role \"", "服务器上没有这个用户", ServerConnection::Failure::Refused },
    { "permission denied", "没有权限", ServerConnection::Failure::Refused },
    { "timeout expired", "连接超时", ServerConnection::Failure::Unreachable },
    { "Connection refused", "服务器没有运行，或主机、端口不对", ServerConnection::Failure::Unreachable },
    { "could not translate host name", "找不到这台主机", ServerConnection::Failure::Unreachable },
    { "No route to host", "网络不通", ServerConnection::Failure::Unreachable },
    { "Network is unreachable", "网络不通", ServerConnection::Failure::Unreachable },
    { "definition of service", "找不到这个服务名", ServerConnection::Failure::Refused },
    { "terminating connection", "与服务器的连接中断", ServerConnection::Failure::Unreachable },
    { "server closed the connection", "与服务器的连接中断", ServerConnection::Failure::Unreachable },
    { "no connection to the server", "与服务器的连接中断", ServerConnection::Failure::Unreachable },
    { "the database system is", "服务器正在启动或关闭", ServerConnection::Failure::Unreachable },
    { "could not connect", "无法连接服务器", ServerConnection::Failure::Unreachable },
    { "connection to server", "无法连接服务器", ServerConnection::Failure::Unreachable },
};

// The driver hands libpq the options in the local 8-bit code page, and the
// server takes what it is sent for UTF-8: on a Windows whose code page is
// not UTF-8 (GBK on a Chinese one) a name outside ASCII would reach the
// server mangled. File names (sslrootcert, ...) are libpq's own, in that
// code page, and work.
bool passesCodePage(const QString &options)
{
#ifdef Q_OS_WIN
    if (GetACP() == CP_UTF8)
        return true;
    for (const QString &part : options.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0);
        if (key.endsWith(QLatin1String("cert")) || key.endsWith(QLatin1String("key"))
            || key.endsWith(QLatin1String("file")) || key.endsWith(QLatin1String("crl")))
            continue;
        for (const QChar c : part)
            if (c.unicode() > 127)
                return false;
    }
    return true;
#else
    Q_UNUSED(options);
    return true;
#endif
}

} // namespace

int ServerConnection::schemaVersion()
{
    return ServerSchemaVersion;
}

ServerConnection::ServerConnection(const QString &conninfo, const QString &password)
    : m_conninfo(conninfo)
    , m_password(password)
{
    static QAtomicInt counter;
    m_name = QStringLiteral("archive-server-%1").arg(counter.fetchAndAddRelaxed(1));
}

ServerConnection::~ServerConnection()
{
    close();
}

void ServerConnection::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void ServerConnection::setSessionPassword(const QString &password)
{
    QMutexLocker lock(&passwordLock);
    typedPassword = password;
}

QString ServerConnection::sessionPassword()
{
    QMutexLocker lock(&passwordLock);
    return typedPassword;
}

QString ServerConnection::explain(const QString &message, Failure *kind)
{
    // libpq's first line names the cause; the rest repeats it per address.
    QString detail = message.trimmed().section(u'\n', 0, 0).trimmed();
    for (const Reason &reason : Reasons) {
        if (message.contains(QLatin1String(reason.message))) {
            if (kind)
                *kind = reason.kind;
            return tr("%1（%2）").arg(tr(reason.said), detail);
        }
    }
    if (kind)
        *kind = Failure::Refused;
    return detail.isEmpty() ? tr("未知错误") : detail;
}

QString ServerConnection::describe(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    Failure kind = Failure::Refused;
    // insufficient_privilege, however the server words it.
    const QString said = error.nativeErrorCode() == QLatin1String("42501")
        ? tr("没有权限（%1）").arg(text.section(u'\n', 0, 0).trimmed())
        : explain(text, &kind);
    // A statement that failed for a lost connection: the next pass opens anew.
    if (kind == Failure::Unreachable || (m_db.isValid() && !m_db.isOpen()))
        m_failure = Failure::Unreachable;
    return said;
}

bool ServerConnection::fail(const QString &reason, Failure kind)
{
    m_error = reason;
    m_failure = kind;
    close();
    return false;
}

bool ServerConnection::open(bool checkSchema)
{
    close();
    m_error.clear();
    m_failure = Failure::None;
    m_serverUid.clear();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    if (!m_db.isValid())
        return fail(tr("缺少 PostgreSQL 驱动（Qt SQL 的 qsqlpsql 插件及 libpq）"), Failure::Refused);
    // The driver appends the options to its own; ";" would part them. A
    // network that drops packets fails after connect_timeout, and a link
    // that dies during a send is noticed by TCP keepalives, never hangs.
    QString options = m_conninfo;
    if (!options.contains(QLatin1String("connect_timeout")))
        options += QStringLiteral(" connect_timeout=5");
    if (!options.contains(QLatin1String("keepalives")))
        options += QStringLiteral(" keepalives_idle=20 keepalives_interval=5 keepalives_count=3 tcp_user_timeout=30000");
    m_db.setConnectOptions(options);
    const QString password = m_password.isEmpty() ? sessionPassword() : m_password;
    if (!passesCodePage(options + u' ' + password))
        return fail(tr("用户名、数据库名和密码只能用英文字母、数字和符号：这台 Windows 的系统代码页不是 UTF-8，"
                       "PostgreSQL 驱动会把中文传错（可改用英文名，或在“区域设置”中启用 UTF-8 支持）"), Failure::Refused);
    if (!password.isEmpty())
        m_db.setPassword(password);
    if (!m_db.open()) {
        Failure kind = Failure::Refused;
        const QString reason = explain(m_db.lastError().databaseText(), &kind);
        return fail(reason, kind);
    }
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SET search_path = archive, public")))
        return fail(describe(query.lastError()), Failure::Refused);
    if (!checkSchema)
        return true;
    if (!query.exec(QStringLiteral("SELECT to_regclass('archive.schema_version') IS NOT NULL")) || !query.next())
        return fail(describe(query.lastError()), Failure::Refused);
    if (!query.value(0).toBool())
        return fail(tr("服务器上还没有部门档案库（先用 datamanager --init-archive-server 建立）"), Failure::Schema);
    if (!query.exec(QStringLiteral("SELECT version, server_uid FROM schema_version")) || !query.next())
        return fail(describe(query.lastError()), Failure::Schema);
    const int version = query.value(0).toInt();
    if (version > schemaVersion())
        return fail(tr("服务器上的档案库为第%1版，本软件只认识第%2版及以下，请使用新版软件").arg(version).arg(schemaVersion()),
                    Failure::Schema);
    m_serverUid = query.value(1).toString();
    return true;
}

bool initArchiveServer(const QString &conninfo, QString *report)
{
    ServerConnection server(conninfo);
    if (!server.open(false)) {
        *report = tr("无法连接：%1").arg(server.error());
        return false;
    }
    QSqlQuery query(server.db());
    if (!query.exec(QStringLiteral("SELECT to_regclass('archive.schema_version') IS NOT NULL")) || !query.next()) {
        *report = server.describe(query.lastError());
        return false;
    }
    if (query.value(0).toBool()) {
        if (!query.exec(QStringLiteral("SELECT version FROM archive.schema_version")) || !query.next()) {
            *report = server.describe(query.lastError());
            return false;
        }
        const int version = query.value(0).toInt();
        if (version > ServerConnection::schemaVersion()) {
            *report = tr("服务器上的档案库为第%1版，比本软件认识的第%2版新：未作改动，请使用新版软件")
                          .arg(version).arg(ServerConnection::schemaVersion());
            return false;
        }
        *report = tr("服务器上已有第%1版的部门档案库，未作改动").arg(version);
        return true;
    }
    // One transaction: a failure leaves the database as it was.
    if (!server.db().transaction()) {
        *report = server.describe(server.db().lastError());
        return false;
    }
    if (!query.exec(QString::fromUtf8(ServerSchemaScript))) {
        *report = server.describe(query.lastError());
        server.db().rollback();
        return false;
    }
    if (!server.db().commit()) {
        *report = server.describe(server.db().lastError());
        return false;
    }
    *report = tr("已建立第%1版的部门档案库：模式 archive，属主角色 dm_owner，技术员角色 dm_technician（可添加、查看，"
                 "不能修改或删除读数与修订）。技术员的登录：CREATE ROLE 名字 LOGIN PASSWORD '密码' IN ROLE dm_technician;")
                  .arg(ServerConnection::schemaVersion());
    return true;
}

int initArchiveServerCommand(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // A window program: speak on the console it was started from.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        (void)freopen("CONOUT$", "w", stdout);
        (void)freopen("CONOUT$", "w", stderr);
        SetConsoleOutputCP(CP_UTF8);
    }
#endif
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fputs(tr("用法：datamanager --init-archive-server \"host=服务器 dbname=数据库 user=postgres\"\n"
                      "  在该数据库中建立部门档案库（模式 archive 与角色 dm_owner、dm_technician）。\n").toUtf8(), stderr);
        return 2;
    }
    QString report;
    const bool ok = initArchiveServer(arguments.at(2), &report);
    std::fputs((report + u'\n').toUtf8(), ok ? stdout : stderr);
    return ok ? 0 : 1;
}
