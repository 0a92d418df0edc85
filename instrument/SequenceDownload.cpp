#include "instrument/SequenceDownload.h"

#include "instrument/UnitCommands.h"

namespace SequenceDownload {

bool isAcknowledged(const QByteArray& reply) {
    return !reply.isEmpty() && reply.back() == 'x';
}

void portDelay(UnitPort& port, double seconds) {
    port.delay(seconds);
}

bool send(UnitPort& port, const QByteArray& body, const Wait& wait) {
    try {
        port.send(UnitCommands::sequenceAnnounce());
        port.send(body);
        wait(port, kWait_s);
        return isAcknowledged(port.readAll());
    } catch (const UnitPortError&) {
        return false;
    }
}

}  // namespace SequenceDownload
