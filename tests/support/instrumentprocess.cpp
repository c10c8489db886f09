#include "instrumentprocess.h"

#include <QDeadlineTimer>

QString InstrumentProcess::programPath()
{
#ifdef DM_INSTRUMENT_PROGRAM
    return QString::fromLocal8Bit(DM_INSTRUMENT_PROGRAM);
#else
    return QString();
#endif
}

InstrumentProcess::~InstrumentProcess()
{
    stop();
}

bool InstrumentProcess::start(const QStringList &arguments, int timeoutMs)
{
    if (programPath().isEmpty()) {
        m_error = QStringLiteral("the build has no instrument program");
        return false;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(programPath(), arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (!m_output.contains('\n')) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
            m_error = QStringLiteral("the instrument program named no terminal");
            return false;
        }
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        m_output += m_process.readAllStandardOutput();
    }
    const qsizetype end = m_output.indexOf('\n');
    m_portPath = QString::fromLocal8Bit(m_output.left(end));
    m_output.remove(0, end + 1);
    return !m_portPath.isEmpty();
}

void InstrumentProcess::collectOutput()
{
    m_output += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_output.indexOf('\n')) >= 0) {
        const QByteArray line = m_output.left(end);
        m_output.remove(0, end + 1);
        const QByteArray prefix("received ");
        if (line.startsWith(prefix))
            m_commands.append(QByteArray::fromHex(line.mid(prefix.size())));
    }
}

QList<QByteArray> InstrumentProcess::receivedCommands(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    collectOutput();
    while (m_commands.size() < count && !deadline.hasExpired()
           && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        collectOutput();
    }
    return m_commands;
}

bool InstrumentProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}

bool InstrumentProcess::exitedNormally() const
{
    return m_process.state() == QProcess::NotRunning
        && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QStringList InstrumentProcess::storedGroups(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(programPath(), QStringList(arguments) << QStringLiteral("--list"));
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    QString text = QString::fromLatin1(process.readAllStandardOutput());
    if (text.isEmpty())
        return {};
    text.chop(1); // the line feed of the last group
    return text.split(u'\n');
}

void InstrumentProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
