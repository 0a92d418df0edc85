#include "link/DataDownload.h"

#include "common/ErrorText.h"
#include "common/VbFormat.h"
#include "link/UnitCommands.h"

namespace DataDownload {

namespace {

constexpr int kFieldsPerRecord = 9;
// Keeps a unit that never stops talking from holding the window forever (about 100 000 records).
constexpr qsizetype kMaxTransfer = 8 * 1024 * 1024;

// A whole-number field as a 32-bit value, rounded as an assignment to an integer rounds (CInt also holds
// it within range instead of overflowing).
int wholeNumber(double value) {
    return vb::CInt(value);
}

}  // namespace

UnitExchange::Next Exchange::start(UnitPort& port) {
    transfer_.clear();
    portFailure_.reset();
    firstReadDone_ = false;
    records_ = 0;
    try {
        port.readAll();  // replies to status queries sent before; the status buffer keeps what it holds
        port.send(UnitCommands::dataRequest());
        return kFirstWait_s;
    } catch (const UnitPortError& e) {
        return failed(e);
    }
}

UnitExchange::Next Exchange::step(UnitPort& port) {
    try {
        // The transfer ends at the first quiet wait: a unit pausing longer than that is cut short and then
        // judged by its last character.
        if (firstReadDone_ && (port.waitingCount() == 0 || transfer_.size() >= kMaxTransfer))
            return std::nullopt;
        firstReadDone_ = true;
        const QByteArray piece = port.readAll();
        records_ += static_cast<int>(piece.count(kRecordEnd));
        transfer_.append(piece);
        return kStepWait_s;
    } catch (const UnitPortError& e) {
        return failed(e);
    }
}

UnitExchange::Next Exchange::failed(const UnitPortError& error) {
    portFailure_ = error;
    return std::nullopt;
}

Outcome Exchange::outcome() const {
    return portFailure_ ? Outcome::PortFailed : judge(transfer_);
}

QString Exchange::message() const {
    return messageFor(outcome(), portFailure_
                                     ? numberedErrorText(portFailure_->description(), portFailure_->number())
                                     : QString());
}

QByteArray fetch(UnitPort& port) {
    Exchange exchange;
    runToEnd(exchange, port);
    if (exchange.portFailure()) throw *exchange.portFailure();
    return exchange.transfer();
}

Outcome judge(const QByteArray& transfer) {
    if (transfer.isEmpty()) return Outcome::NoResponse;
    if (transfer.back() != kTransferEnd) return Outcome::Incomplete;
    return Outcome::Complete;
}

QString messageFor(Outcome outcome, const QString& portFailure) {
    switch (outcome) {
        case Outcome::NoResponse:
            return kNoResponseText;
        case Outcome::Incomplete:
            return kCommunicationErrorText;
        case Outcome::PortFailed:
            return kCommunicationErrorText + u'\n' + portFailure;
        case Outcome::Complete:
            break;
    }
    return {};
}

QList<DataRecord> parseRecords(const QByteArray& transfer, int* skipped) {
    QList<DataRecord> records;
    int dropped = 0;
    qsizetype start = 0;
    while (true) {
        const qsizetype end = transfer.indexOf(kRecordEnd, start);
        if (end < 0) break;
        const QStringList fields = QString::fromLatin1(transfer.constData() + start, end - start).split(u',');
        start = end + 1;
        if (fields.size() < kFieldsPerRecord) {
            ++dropped;
            continue;
        }
        DataRecord r;
        r.rampNo = wholeNumber(vb::Val(fields[0]));
        r.stepNo = wholeNumber(vb::Val(fields[1]));
        r.time_s = wholeNumber(vb::Val(fields[2]));
        r.sampleTemp_F = vb::Val(fields[3]);
        r.bathTemp_F = vb::Val(fields[4]);
        r.pressure_psi = vb::Val(fields[5]);
        r.shearRate_1ps = vb::Val(fields[6]);
        r.shearStress = vb::Val(fields[7]);
        r.typeId = wholeNumber(vb::Val(fields[8]));
        records.append(r);
    }
    if (skipped) *skipped = dropped;
    return records;
}

}  // namespace DataDownload
