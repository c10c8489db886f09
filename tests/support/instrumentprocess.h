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
// DM_INSTRUMENT_PORT names its port, DM_INSTRUMENT_LOG the file of its output.
class InstrumentProcess
{
public:
    ~InstrumentProcess() { stop(); }

    // The stand-in's own four groups, as it sends them.
    static inline const QStringList Groups{
        "50.00 1.5000 1.4900 1.5100 0.0200 220.10 219.80 220.40 3.0 2.9 3.1 12.0 12.0 12.0 12.0 12.0 12.0 2 0",
        "49.98 0.8000 0.0000 0.8100 0.0000 100.20 0.00 99.90 3.0 0.0 3.0 30.0 0.0 6.0 30.0 0.0 6.0 1 0",
        "50.02 4.2000 4.1500 4.2300 0.0510 231.00 229.50 230.20 1.8 2.1 1.9 12.0 12.1 11.9 12.0 12.0 12.0 2 0",
        "50.01 2.5000 0.0000 2.4800 0.0000 380.50 0.00 381.20 2.5 0.0 2.6 30.0 0.0 6.0 30.1 0.0 5.9 1 0"
    };
    // The groups it stores when started with these arguments (--count N:
    // its own, over and over).
    static QStringList groupsFor(const QStringList &arguments);
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
