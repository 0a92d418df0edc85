#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Fields of a status reply by their position in it (the status code is position 1).
enum class StatusField {
    SampleTemp = 2,    // F, whole number
    BathTemp = 3,      // F, whole number
    TempSetPoint = 4,  // F, whole number
    MotorSpeed = 5,    // rpm
    ShearStress = 6,   // dyn/cm2 as measured for the reference bob
    Pressure = 7,      // psi
    ShearRate = 8,     // 1/s
};

// The unit's state, as the status code of a status reply gives it. The framing lets only one digit through,
// so FreqSweeping and NoneExist never arrive; codes 3 and 9 have no name and change nothing on the display.
enum class UnitStatus : int {
    Unknown = -1,  // no status reply yet
    Inactive = 0,
    RunningTest = 1,
    StandAloneTest = 2,
    Malfunction = 4,
    Calibrating = 5,
    Ramping = 6,
    Preheating = 7,
    Cooling = 8,
    FreqSweeping = 11,
    NoneExist = 99,
};

// One status reply as far as it was taken. A reply cut short by a "." in a temperature field keeps the
// code and the fields before that one: the window shows those, and nothing after them.
struct StatusReply {
    int code = 0;        // the status code as received
    QStringList fields;  // fields 2, 3, ... as received, in order; all seven when complete

    UnitStatus status() const { return static_cast<UnitStatus>(code); }
    bool complete() const { return fields.size() == 7; }
    bool has(StatusField field) const { return index(field) < fields.size(); }
    // The field as received; empty when the reply did not get that far.
    QString text(StatusField field) const { return has(field) ? fields[index(field)] : QString(); }
    // The field's leading number (leading blanks skipped, 0 when none); 0 when absent.
    double value(StatusField field) const;

  private:
    static qsizetype index(StatusField field) { return static_cast<int>(field) - 2; }
};

// The status-reply parser of a unit window, with the window's receive buffer. Bytes in, replies out: no
// port, no widget.
//
// Framing, on every poll: while the buffer holds a byte 26, the message before it must have "," as its
// second character (a one-digit code) and exactly 8 commas, or it is dropped and parsing ends for this poll;
// a "." in the sample, bath or set-point temperature empties the whole buffer; the spare ninth field is
// skipped. Text after the last byte 26 waits for the next poll, so a reply split over two reads is parsed
// once, when its terminator arrives.
class StatusParser {
  public:
    // A status reply is some 40 bytes; a buffer this long only grows from a unit talking nonsense.
    static constexpr qsizetype kMaxBuffer = 4096;

    // Appends what was read from the port.
    void append(const QByteArray& bytes);
    // Consumes the complete messages the framing rules allow in this poll.
    QList<StatusReply> parse();
    // append and parse: one poll.
    QList<StatusReply> feed(const QByteArray& bytes);
    // Empties the receive buffer (the discarding read after a set point).
    void clear() { buffer_.clear(); }
    const QByteArray& buffer() const { return buffer_; }

  private:
    void dropThroughFirstTerminator();

    QByteArray buffer_;
};
