#include "instrumentprocess.h"

#include <QDeadlineTimer>

bool InstrumentProcess::start(const QStringList &arguments)
{
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

QList<QByteArray> InstrumentProcess::receivedCommands(int count)
{
    QDeadlineTimer deadline(5000);
    do {
        m_output += m_process.readAllStandardOutput();
        for (qsizetype end; (end = m_output.indexOf('\n')) >= 0; m_output.remove(0, end + 1))
            if (m_output.startsWith("received "))
                m_commands << QByteArray::fromHex(m_output.mid(9, end - 9));
    } while (m_commands.size() < count && !deadline.hasExpired()
             && m_process.waitForReadyRead(int(deadline.remainingTime())));
    return m_commands;
}

void InstrumentProcess::stop()
{
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}
