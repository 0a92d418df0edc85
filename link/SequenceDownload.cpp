#include "link/SequenceDownload.h"

#include "link/UnitCommands.h"

namespace SequenceDownload {

bool isAcknowledged(const QByteArray& reply) {
    return !reply.isEmpty() && reply.back() == 'x';
}

UnitExchange::Next Exchange::start(UnitPort& port) {
    acknowledged_ = false;
    try {
        port.send(UnitCommands::sequenceAnnounce());
        port.send(body_);
        return kWait_s;
    } catch (const UnitPortError&) {
        return std::nullopt;
    }
}

UnitExchange::Next Exchange::step(UnitPort& port) {
    try {
        acknowledged_ = isAcknowledged(port.readAll());
    } catch (const UnitPortError&) {
        acknowledged_ = false;
    }
    return std::nullopt;
}

bool send(UnitPort& port, const QByteArray& body) {
    Exchange exchange(body);
    runToEnd(exchange, port);
    return exchange.acknowledged();
}

}  // namespace SequenceDownload
