#ifndef INSTRUMENTPROCESS_H
#define INSTRUMENTPROCESS_H

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the instrument stand-in (tools/instrument) for a test: starts it with
// the given arguments, waits until it names its terminal, and stops it when
// destroyed. Under Wine the stand-in runs on the host instead, started by
// tests/wine/tst_devicelink.sh with the arguments of the case run there:
// DM_INSTRUMENT_PORT names its port, DM_INSTRUMENT_LOG the file of its
// output, DM_INSTRUMENT_GROUPS the file of its groups.
class InstrumentProcess
{
public:
    ~InstrumentProcess() { stop(); }

    // The groups it stores when started with these arguments, as it lists them.
    static QStringList groupsFor(const QStringList &arguments = {});
    // Whether the stand-in runs on the host, outside the test's control.
    static bool onHost() { return qEnvironmentVariableIsSet("DM_INSTRUMENT_PORT"); }

    // Starts the program; false when it does not start or names no terminal.
    bool start(const QStringList &arguments = {});
    // The terminal to open as the instrument's serial port.
    QString portPath() const { return m_portPath; }
    // Command lines received so far, with their line ends; waits up to five
    // seconds for at least count of them.
    QList<QByteArray> receivedCommands(int count);
    // Ends the program, as a pulled cable does.
    void stop();

private:
    QByteArray newOutput();

    QProcess m_process;
    QString m_portPath;
    QByteArray m_output;
    qint64 m_logRead = 0;
    QList<QByteArray> m_commands;
};

#endif // INSTRUMENTPROCESS_H
