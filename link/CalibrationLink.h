#pragma once

#include "link/UnitCommands.h"

#include <QByteArray>
#include <QList>

// The torque-calibration messages between the program and a unit: what the program sends, built byte by
// byte, and the unit's data points and end-of-data message read from the receive buffer. No port, no
// window.
namespace CalibrationLink {

constexpr char kTerminator = UnitCommands::kTerminator;  // SUB ends every message both ways
constexpr char kPrefix = 'N';  // every calibration message from the program begins "N", SUB, sub-command
constexpr char kStartCommand = 2;
constexpr char kPressureEffectCommand = 11;
constexpr char kResultCommand = 14;
constexpr char kPointMark = 8;  // optional first byte of a data point
constexpr char kEndMark = 9;    // first byte of the end-of-data message

// "N", SUB, 2, viscosity "0000.00", ",B5,", |viscosity| "0000.00", SUB. The bob field is always B5: the unit
// measures for the reference bob and the program scales what it reports.
QByteArray calibrationStart(double viscosity_cP);
// "N", SUB, 14, c0, ",", c1, ",", five times "0.0,", the zero-stress voltage, ",", SUB.
QByteArray calibrationResult(double c0, double c1, double zeroStressVoltage);
// "N", SUB, 11, SUB.
QByteArray pressureEffectStart();
// A coefficient as the unit reads it: at least one digit before the point, up to fifteen after, the point
// always written (0.5 -> "0.5", -2 -> "-2.").
QByteArray coefficientText(double value);

// One complete message of the unit.
struct Message {
    enum class Kind { Point, End, Unreadable };
    Kind kind = Kind::Unreadable;
    double stress = 0;   // as the unit reports it, before the bob scaling
    double voltage = 0;  // Vdc
    QByteArray bytes;    // the message as received, without its SUB
};

// The receive buffer of a calibration. Complete messages (ended by SUB) are taken from its front; text
// after the last SUB waits for the next read, so a point split across reads is taken once its SUB arrives.
// A complete message that is neither the end nor holds a comma is returned as Unreadable and dropped, so
// that it cannot hold up the messages behind it.
class Parser {
  public:
    // Appends what was read and returns the complete messages now in the buffer, in order. Reading stops
    // at the end-of-data message, and the rest of the buffer is dropped with it: the run is over.
    QList<Message> feed(const QByteArray& bytes);
    void clear() { buffer_.clear(); }
    const QByteArray& buffer() const { return buffer_; }

  private:
    QByteArray buffer_;
};

// Reads one complete message (without its SUB).
Message readMessage(const QByteArray& message);

}  // namespace CalibrationLink
