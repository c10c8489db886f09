#ifndef INSTRUMENTPROCESS_H
#define INSTRUMENTPROCESS_H

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the instrument program (tools/instrument) for a test: it starts the
// program with the given arguments, waits until it names the terminal it
// listens on, and stops it when destroyed.
class InstrumentProcess
{
public:
    // Path of the instrument program; empty when the build has none.
    static QString programPath();

    InstrumentProcess() = default;
    ~InstrumentProcess();
    InstrumentProcess(const InstrumentProcess &) = delete;
    InstrumentProcess &operator=(const InstrumentProcess &) = delete;

    // Starts the program and waits for the terminal's path. False, with the
    // reason in errorText(), when it does not start or names no terminal.
    bool start(const QStringList &arguments = {}, int timeoutMs = 10000);

    // The terminal to open as the instrument's serial port.
    QString portPath() const { return m_portPath; }
    QString errorText() const { return m_error; }

    // Command lines the program has received so far, as raw bytes with their
    // line ends; waits up to timeoutMs for at least count of them.
    QList<QByteArray> receivedCommands(int count = 0, int timeoutMs = 5000);

    // Waits for the program to end (e.g. after a hang-up).
    bool waitForExit(int timeoutMs = 5000);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // True once the program has ended by itself with exit code 0.
    bool exitedNormally() const;

    // Closes the program's standard input, which asks it to end.
    void closeInput() { m_process.closeWriteChannel(); }
    // Sends SIGTERM.
    void terminate() { m_process.terminate(); }

    // The groups the program stores when started with these arguments
    // (runs it once more with --list).
    static QStringList storedGroups(const QStringList &arguments = {});

    // Ends the program: closes its standard input, then terminates it.
    void stop();

private:
    void collectOutput();

    QProcess m_process;
    QString m_portPath;
    QString m_error;
    QByteArray m_output;
    QList<QByteArray> m_commands;
};

#endif // INSTRUMENTPROCESS_H
