#include "link/UnitCommands.h"

#include "common/VbFormat.h"

namespace UnitCommands {

namespace {

QByteArray bare(char command) {
    QByteArray bytes;
    bytes.append(command);
    bytes.append(kTerminator);
    return bytes;
}

QByteArray field(double value, const char* picture) {
    return vb::Format(value, QString::fromLatin1(picture)).toLatin1();
}

}  // namespace

QByteArray dataRequest() {
    return bare(kDataRequest);
}
QByteArray sequenceAnnounce() {
    return bare(kSequenceAnnounce);
}
QByteArray stop() {
    return bare(kStop);
}
QByteArray statusQuery() {
    return bare(kStatusQuery);
}
QByteArray zero() {
    return bare(kZero);
}
QByteArray raiseBath() {
    return bare(kRaiseBath);
}
QByteArray dropBath() {
    return bare(kDropBath);
}
QByteArray command131() {
    return bare(kCommand131);
}

QByteArray setPoint(double temp_F, double shearRate_1ps, double shearRateFactor) {
    QByteArray bytes;
    bytes.append(kSetPoint);
    bytes.append(field(temp_F, "000.0"));
    bytes.append(',');
    bytes.append(field(shearRate_1ps, "0000.0000"));
    bytes.append(',');
    bytes.append(field(shearRateFactor, "000.0000"));
    bytes.append(kTerminator);
    return bytes;
}

QByteArray preheat(double temp_F) {
    QByteArray bytes;
    bytes.append(kPreheat);
    bytes.append(field(temp_F, "000.0"));
    bytes.append(kTerminator);
    return bytes;
}

QByteArray jog() {
    return setPoint(50, 100, 1);
}

}  // namespace UnitCommands
