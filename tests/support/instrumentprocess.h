#ifndef INSTRUMENTPROCESS_H
#define INSTRUMENTPROCESS_H

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the instrument stand-in (tools/instrument) for a test: starts it with
// the given arguments, waits until it names its terminal, and stops it when
// destroyed.
class InstrumentProcess
{
public:
    InstrumentProcess() = default;
    ~InstrumentProcess() { stop(); }
    InstrumentProcess(const InstrumentProcess &) = delete;
    InstrumentProcess &operator=(const InstrumentProcess &) = delete;

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
    QProcess m_process;
    QString m_portPath;
    QByteArray m_output;
    QList<QByteArray> m_commands;
};

#endif // INSTRUMENTPROCESS_H
