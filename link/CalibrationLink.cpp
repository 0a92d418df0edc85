#include "link/CalibrationLink.h"

#include "common/VbFormat.h"

#include <cmath>

namespace CalibrationLink {

namespace {

constexpr qsizetype kMaxPending = 65536;  // a "message" this long without its SUB is line noise

QByteArray pictured(double value, const char* picture) {
    return vb::Format(value, QString::fromLatin1(picture)).toLatin1();
}

QByteArray header(char command) {
    QByteArray bytes;
    bytes.append(kPrefix);
    bytes.append(kTerminator);
    bytes.append(command);
    return bytes;
}

double leadingNumber(const QByteArray& text) {
    return vb::Val(QString::fromLatin1(text));
}

}  // namespace

QByteArray calibrationStart(double viscosity_cP) {
    QByteArray bytes = header(kStartCommand);
    bytes.append(pictured(viscosity_cP, "0000.00"));
    bytes.append(",B5,");
    bytes.append(pictured(std::fabs(viscosity_cP), "0000.00"));
    bytes.append(kTerminator);
    return bytes;
}

QByteArray coefficientText(double value) {
    return pictured(value, "0.###############");
}

QByteArray calibrationResult(double c0, double c1, double zeroStressVoltage) {
    QByteArray bytes = header(kResultCommand);
    bytes.append(coefficientText(c0) + ',' + coefficientText(c1) + ',');
    for (int k = 0; k < 5; ++k) bytes.append("0.0,");
    bytes.append(coefficientText(zeroStressVoltage) + ',');
    bytes.append(kTerminator);
    return bytes;
}

QByteArray pressureEffectStart() {
    QByteArray bytes = header(kPressureEffectCommand);
    bytes.append(kTerminator);
    return bytes;
}

Message readMessage(const QByteArray& message) {
    Message m;
    m.bytes = message;
    if (message.startsWith(kEndMark)) {
        m.kind = Message::Kind::End;
        return m;
    }
    const qsizetype comma = message.indexOf(',');
    if (comma < 0) return m;
    // Without the mark the whole field is the stress: dropping its last character, as the mark's absence
    // once did, would cut a digit off the value.
    const qsizetype from = message.startsWith(kPointMark) ? 1 : 0;
    m.kind = Message::Kind::Point;
    m.stress = leadingNumber(message.mid(from, comma - from));
    m.voltage = leadingNumber(message.mid(comma + 1));
    return m;
}

QList<Message> Parser::feed(const QByteArray& bytes) {
    buffer_.append(bytes);
    QList<Message> messages;
    qsizetype end;
    while ((end = buffer_.indexOf(kTerminator)) >= 0) {
        Message m = readMessage(buffer_.left(end));
        buffer_.remove(0, end + 1);
        const bool last = m.kind == Message::Kind::End;
        messages.append(std::move(m));
        if (last) {
            buffer_.clear();
            break;
        }
    }
    if (buffer_.size() > kMaxPending) {
        Message noise;
        noise.bytes = buffer_.left(64);
        messages.append(noise);
        buffer_.clear();
    }
    return messages;
}

}  // namespace CalibrationLink
