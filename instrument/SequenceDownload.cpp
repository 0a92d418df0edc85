#include "instrument/SequenceDownload.h"

#include "instrument/UnitCommands.h"

namespace SequenceDownload {

bool isAcknowledged(const QByteArray& reply) {
    return !reply.isEmpty() && reply.back() == 'x';
}

bool send(UnitPort& port, const QByteArray& body) {
    try {
        port.send(UnitCommands::sequenceAnnounce());
        port.send(body);
        port.delay(kWait_s);
        return isAcknowledged(port.readAll());
    } catch (const UnitPortError&) {
        return false;
    }
}

}  // namespace SequenceDownload
