#pragma once

#include "link/UnitExchange.h"

#include <QByteArray>
#include <QString>

// The sequence download exchange of a sequence-test window ("Send Sequence to R7716"): announce, body, a
// fixed wait, then one read that must end in "x". The window stops its timer around it and shows the
// result text in its status bar.
namespace SequenceDownload {

constexpr double kWait_s = 6.0;

inline const QString kNoSequenceText = QStringLiteral("Please select a valid sequence first.");
inline const QString kSuccessText = QStringLiteral("Sequence Send Success.");
inline const QString kErrorText = QStringLiteral("Sequence Send Error. Please resend.");

// The unit's answer to a sequence body: any text whose last character is "x"; nothing, or anything else,
// is a failed download.
bool isAcknowledged(const QByteArray& reply);

// Announce and body at the start, kWait_s, then everything the unit sent is judged. A port failure on the
// way is a failed download.
class Exchange : public UnitExchange {
  public:
    explicit Exchange(QByteArray body) : body_(std::move(body)) {}
    Next start(UnitPort& port) override;
    Next step(UnitPort& port) override;
    // After the exchange: true when the unit acknowledged the body.
    bool acknowledged() const { return acknowledged_; }

  private:
    QByteArray body_;
    bool acknowledged_ = false;
};

// The whole exchange, waiting on the port (r7716-cli, tests). True when acknowledged.
bool send(UnitPort& port, const QByteArray& body);

// The status-bar text for the outcome.
inline const QString& resultText(bool acknowledged) {
    return acknowledged ? kSuccessText : kErrorText;
}

}  // namespace SequenceDownload
