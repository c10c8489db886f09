#include "deviceprotocol.h"

namespace DeviceProtocol {

QByteArray encodeCommand(const QString &command)
{
    return command.toLatin1();
}

Reply classifyReply(const QString &line)
{
    if (line == QLatin1String(ConnectedReply))
        return Reply::Connected;
    if (line == QLatin1String(DeletedReply))
        return Reply::Deleted;
    if (line == QLatin1String(EndReply))
        return Reply::End;
    return Reply::Group;
}

} // namespace DeviceProtocol
