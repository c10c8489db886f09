#ifndef DEVICEPROTOCOL_H
#define DEVICEPROTOCOL_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The instrument's command protocol: three ASCII commands sent by the tool,
// and the reply lines that the instrument sends back.
namespace DeviceProtocol {

// Commands, each sent to the port as one block of bytes.
inline constexpr char ConnectCommand[] = ":Connect\r\n";
inline constexpr char ReadCommand[] = ":Read\r\n";
inline constexpr char DeleteCommand[] = ":Del\r\n";

// The bytes of a command text, one byte per character (Latin-1).
QByteArray encodeCommand(const QString &command);

// What a framed reply line is. Lines are compared whole and case-sensitively
// in this order; every other line, the empty line included, is a group.
enum class Reply {
    Connected, // "OK": answers the connect command
    Deleted,   // "DELOK": answers the delete command
    End,       // "end": no more groups follow a read
    Group      // one stored measurement group
};

inline constexpr char ConnectedReply[] = "OK";
inline constexpr char DeletedReply[] = "DELOK";
inline constexpr char EndReply[] = "end";

Reply classifyReply(const QString &line);

} // namespace DeviceProtocol

#endif // DEVICEPROTOCOL_H
