#ifndef INSTRUMENTSESSION_H
#define INSTRUMENTSESSION_H

#include "portdiagnosis.h"
#include "replyframer.h"
#include "serialports.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QSerialPort;

// The link to the instrument on its serial port: opening the port with the
// line settings, sending commands, framing the replies and telling what each
// means, and noticing a line that goes down. The window reacts to the
// signals and shows its boxes there.
//
// A handler may open a message box, whose event loop lets further data
// arrive: readReplies() then only queues the lines, and the outer call
// handles them, once each and in order, when the box has closed. A port
// closed meanwhile is deleted only after that handling has returned.
class InstrumentSession : public QObject
{
    Q_OBJECT

public:
    explicit InstrumentSession(QObject *parent = nullptr);
    ~InstrumentSession() override;

    // Finds the instrument's port (the port named in DATAMANAGER_PORT, else
    // the adapter's among the enumerated ports, else the one found last
    // time) and opens it at 9600 baud, 8N1. On failure the session holds no
    // port, and openFailed() has been emitted unless no port and no adapter
    // were found at all.
    bool open();

    // Where open() looks for the adapter's port. The tool asks the system;
    // tests hand it ports of their own.
    using PortEnumerator = std::function<QList<SerialPortRecord>()>;
    void setPortEnumerator(PortEnumerator enumerator) { m_portEnumerator = std::move(enumerator); }
    // Where open() looks for a plugged-in adapter that has no port (Linux
    // sysfs); tests hand it a folder of their own.
    void setSysfsRoot(const QString &root) { m_sysfsRoot = root; }

    // Closes and releases the port; replies not handled yet are dropped.
    void close();
    bool isOpen() const;
    // The port of the session, or none; the window routes its readyRead.
    QSerialPort *port() const { return m_port; }

    // Writes a command text, one byte per character; nothing without a port.
    void send(const QString &command);
    // The groups that arrive from now on are a read's (see readEnded).
    void beginRead();
    // Frames what the port holds and handles the reply lines.
    void readReplies();
    // Text received that does not yet form a reply line.
    const QString &pendingReplyText() const { return m_framer.pending(); }

signals:
    // "OK": the instrument confirms the connection.
    void connectConfirmed();
    // "DELOK": its store is emptied.
    void deleted();
    void groupReceived(const QString &group);
    // "end": groups of the read begun last, or -1 when none was begun.
    void readEnded(int groupCount);
    // The line went down (a pulled cable); the window disconnects. The
    // groups of a read under way that came through, -1 when none was.
    void linkLost(int groupsOfRead);
    void openFailed(PortDiagnosis::Cause cause, const QString &deviceFile);

private:
    bool openPort(const QString &portName);
    void takeArrivedBytes();
    void handle(const QString &line);
    void onError(QSerialPort *port, int error);
    void onLinkLost();

    PortEnumerator m_portEnumerator = systemSerialPorts;
    QString m_sysfsRoot;
    QString m_portName; // found last time
    QSerialPort *m_port = nullptr;
    ReplyFramer m_framer;
    QStringList m_pending; // framed, not handled yet
    bool m_handling = false;
    bool m_linkLostReported = false;
    int m_groupsOfRead = -1;
    // Closed while their replies were being handled; deleted afterwards.
    QList<QSerialPort *> m_retired;
};

#endif // INSTRUMENTSESSION_H
