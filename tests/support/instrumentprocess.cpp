#include "instrumentprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

QStringList InstrumentProcess::groupsFor(const QStringList &arguments)
{
    QByteArray listed;
    if (onHost()) {
        QFile file(qEnvironmentVariable("DM_INSTRUMENT_GROUPS"));
        listed = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    } else {
        QProcess list;
        list.start(QStringLiteral(DM_INSTRUMENT_PROGRAM), QStringList(arguments) << QStringLiteral("--list"));
        listed = list.waitForFinished(10000) ? list.readAllStandardOutput() : QByteArray();
    }
    return QString::fromUtf8(listed).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool InstrumentProcess::start(const QStringList &arguments)
{
    if (onHost()) {
        m_portPath = qEnvironmentVariable("DM_INSTRUMENT_PORT");
        return true;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(DM_INSTRUMENT_PROGRAM), arguments);
    QDeadlineTimer deadline(10000);
    while (!m_output.contains('\n') && !deadline.hasExpired()
           && m_process.waitForReadyRead(int(deadline.remainingTime())))
        m_output += m_process.readAllStandardOutput();
    const qsizetype end = m_output.indexOf('\n');
    m_portPath = QString::fromLocal8Bit(m_output.left(qMax<qsizetype>(end, 0)));
    m_output.remove(0, end + 1);
    return !m_portPath.isEmpty();
}

QByteArray InstrumentProcess::newOutput()
{
    if (!onHost())
        return m_process.readAllStandardOutput();
    QFile log(qEnvironmentVariable("DM_INSTRUMENT_LOG"));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(m_logRead))
        return {};
    const QByteArray fresh = log.readAll();
    m_logRead += fresh.size();
    return fresh;
}

QList<QByteArray> InstrumentProcess::receivedCommands(int count)
{
    QDeadlineTimer deadline(5000);
    for (;;) {
        m_output += newOutput();
        for (qsizetype end; (end = m_output.indexOf('\n')) >= 0; m_output.remove(0, end + 1))
            if (m_output.startsWith("received "))
                m_commands << QByteArray::fromHex(m_output.mid(9, end - 9));
        if (m_commands.size() >= count || deadline.hasExpired())
            return m_commands;
        if (onHost())
            QThread::msleep(50);
        else if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            return m_commands;
    }
}

void InstrumentProcess::stop()
{
    if (onHost())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}
