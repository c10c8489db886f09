#include "instrumentsession.h"

#include "deviceprotocol.h"
#include "grouplist.h"

#include <QDebug>
#include <QSerialPort>

InstrumentSession::InstrumentSession(QObject *parent)
    : QObject(parent)
    , m_sysfsRoot(PortDiagnosis::systemSysfsRoot())
{
}

InstrumentSession::~InstrumentSession()
{
    if (m_port) {
        m_port->disconnect();
        m_port->close();
    }
    delete m_port;
    qDeleteAll(m_retired);
}

bool InstrumentSession::open()
{
    // A name found earlier is kept when the adapter is not listed any more;
    // opening it then fails and the name is forgotten. A port named by the
    // user replaces the search.
    const QString chosen = chosenPort();
    const QString found = chosen.isEmpty() ? findInstrumentPort(m_portEnumerator()) : chosen;
    if (!found.isEmpty())
        m_portName = found;
    if (m_portName.isEmpty()) {
        // No port matches. An adapter plugged in without a port has been
        // taken by another service; say so rather than nothing.
        if (PortDiagnosis::adapterPluggedIn(m_sysfsRoot))
            emit openFailed(PortDiagnosis::Cause::AdapterClaimed, QString());
        return false;
    }
    if (chosen.isEmpty())
        m_portName.remove(QLatin1Char(' '));
    if (openPort(m_portName))
        return true;
    m_portName.clear();
    return false;
}

bool InstrumentSession::openPort(const QString &portName)
{
    close();
    m_port = new QSerialPort(portName, this);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QString device = PortDiagnosis::deviceFile(portName);
        const PortDiagnosis::Cause cause = PortDiagnosis::openFailure(m_port->error(), device);
        close();
        emit openFailed(cause, device);
        return false;
    }
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    QSerialPort *port = m_port;
    connect(port, &QSerialPort::errorOccurred, this,
            [this, port](QSerialPort::SerialPortError error) { onError(port, error); });
    m_linkLostReported = false;
    m_framer.clear(); // text of an earlier connection is no reply to this one
    return true;
}

void InstrumentSession::close()
{
    if (!m_port)
        return;
    // Nothing of this port reaches anyone any more, the window's readCom
    // included.
    m_port->disconnect();
    m_port->close();
    m_groupsOfRead = -1;
    m_pending.clear();
    m_framer.clear();
    // Later: this may run inside one of the port's own signals, or inside a
    // message box shown while handling its replies.
    if (m_handling)
        m_retired.append(m_port);
    else
        m_port->deleteLater();
    m_port = nullptr;
}

bool InstrumentSession::isOpen() const
{
    return m_port && m_port->isOpen();
}

void InstrumentSession::send(const QString &command)
{
    if (isOpen())
        m_port->write(DeviceProtocol::encodeCommand(command));
}

void InstrumentSession::beginRead()
{
    m_groupsOfRead = 0;
}

void InstrumentSession::readReplies()
{
    takeArrivedBytes();
    if (m_handling)
        return; // an outer call is showing a message box; it handles these next

    m_handling = true;
    for (;;) {
        while (!m_pending.isEmpty())
            handle(m_pending.takeFirst());
        // The port does not announce data that arrived while a message box
        // of this call was open, so look for it before leaving.
        if (!isOpen() || m_port->bytesAvailable() == 0)
            break;
        takeArrivedBytes();
    }
    m_handling = false;

    // A port released while a box of this call was open is deleted only now:
    // its read notification, which called this, is still on the stack.
    for (QSerialPort *port : std::as_const(m_retired))
        port->deleteLater();
    m_retired.clear();
}

void InstrumentSession::takeArrivedBytes()
{
    if (isOpen())
        m_pending += m_framer.take(m_port->readAll());
}

void InstrumentSession::handle(const QString &line)
{
    qDebug() << line;
    switch (DeviceProtocol::classifyReply(line)) {
    case DeviceProtocol::Reply::Connected:
        if (m_port) // not when the link went down before this line was handled
            emit connectConfirmed();
        break;
    case DeviceProtocol::Reply::Deleted:
        emit deleted();
        break;
    case DeviceProtocol::Reply::End: {
        const int groups = m_groupsOfRead;
        m_groupsOfRead = -1;
        emit readEnded(groups);
        break;
    }
    case DeviceProtocol::Reply::Group:
        if (m_groupsOfRead >= 0)
            ++m_groupsOfRead;
        emit groupReceived(GroupList::groupFromReplyLine(line));
        break;
    }
}

void InstrumentSession::onError(QSerialPort *port, int error)
{
    // A pulled cable shows as a resource error, or (on a hung-up line) as
    // read errors repeated on every turn of the event loop. Either means the
    // device is gone; react once, outside the port's own signal.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (port != m_port || m_linkLostReported)
        return;
    m_linkLostReported = true;
    QMetaObject::invokeMethod(this, &InstrumentSession::onLinkLost, Qt::QueuedConnection);
}

void InstrumentSession::onLinkLost()
{
    if (!isOpen())
        return;
    // Keep every complete reply that arrived before the line went down.
    takeArrivedBytes();
    if (!m_handling) {
        m_handling = true;
        while (!m_pending.isEmpty())
            handle(m_pending.takeFirst());
        m_handling = false;
    }
    if (isOpen())
        emit linkLost(m_groupsOfRead);
}
