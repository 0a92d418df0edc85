#include "simulator/UnitFirmware.h"

#include "link/CalibrationLink.h"
#include "link/DataDownload.h"
#include "link/UnitCommands.h"
#include "simulator/FirmwareDetail.h"

#include <algorithm>
#include <cmath>

using namespace firmware;

namespace {

// The wire's bytes, as the program's own protocol code writes and reads them.
using DataDownload::kRecordEnd;
using DataDownload::kTransferEnd;
using UnitCommands::kCommand131;
using UnitCommands::kDataRequest;
using UnitCommands::kDropBath;
using UnitCommands::kPreheat;
using UnitCommands::kRaiseBath;
using UnitCommands::kSequenceAnnounce;
using UnitCommands::kSetPoint;
using UnitCommands::kStatusQuery;
using UnitCommands::kStop;
using UnitCommands::kTerminator;
using UnitCommands::kZero;
constexpr char kCalibrationPrefix = CalibrationLink::kPrefix;
constexpr qsizetype kChunk = 16;
constexpr qsizetype kMaxInput = 65536;  // a message without its terminator longer than this is noise

bool isCommandByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b >= 0x80;
}

}  // namespace

UnitFirmware::UnitFirmware() : UnitFirmware(Options{}) {}

UnitFirmware::UnitFirmware(const Options& options)
    : options_(options),
      cell_(options.fluid, options.ambient_F),
      rng_(options.seed),
      pressure_(options.pressure_psi),
      offset_(options.stressOffset),
      lineC1_(options.sensorGain_dyn_per_V * (1.0 + options.sensorDrift)) {
    lineC0_ = -options.sensorZero_V * lineC1_;
}

// ---- the wire ----

void UnitFirmware::receive(const QByteArray& bytes) {
    input_.append(bytes);
    qsizetype end;
    while ((end = input_.indexOf(kTerminator)) >= 0) {
        const QByteArray message = input_.left(end);
        input_.remove(0, end + 1);
        commandLog_.append(message);
        if (consumeFault(Fault::NoAnswer)) continue;
        handle(message);
    }
    if (input_.size() > kMaxInput) input_.clear();
}

QByteArray UnitFirmware::takeOutput() {
    QByteArray out;
    while (!output_.empty() && output_.front().release_s <= now_ + 1e-9) {
        out.append(output_.front().bytes);
        output_.pop_front();
    }
    return out;
}

int UnitFirmware::outputWaiting() const {
    qsizetype count = 0;
    for (const Chunk& c : output_) {
        if (c.release_s > now_ + 1e-9) break;
        count += c.bytes.size();
    }
    return static_cast<int>(std::min<qsizetype>(count, 1 << 30));
}

void UnitFirmware::queue(const QByteArray& bytes, double extraDelay_s) {
    if (bytes.isEmpty()) return;
    const double start = std::max(now_ + options_.replyLatency_s + extraDelay_s, lineFreeAt_);
    if (!(options_.lineRate_Bps > 0)) {
        output_.push_back({start, bytes});
        lineFreeAt_ = start;
        return;
    }
    for (qsizetype k = 0; k < bytes.size(); k += kChunk) {
        const QByteArray piece = bytes.mid(k, kChunk);
        output_.push_back({start + static_cast<double>(k + piece.size()) / options_.lineRate_Bps, piece});
    }
    lineFreeAt_ = start + static_cast<double>(bytes.size()) / options_.lineRate_Bps;
}

void UnitFirmware::handle(const QByteArray& message) {
    if (expect_ == Expect::SequenceBody) {
        expect_ = Expect::Command;
        // A body starts with a digit; a command in its place is taken as the command it is.
        if (!message.isEmpty() && isCommandByte(message.front())) {
            handle(message);
            return;
        }
        if (auto seq = readSequenceBody(message)) {
            sequence_ = std::move(seq);
            queue("x", options_.acknowledgeDelay_s);
            if (options_.startRunOnDownload) startDownloadedSequence();
        }
        return;
    }
    if (expect_ == Expect::CalibrationMessage) {
        expect_ = Expect::Command;
        handleCalibration(message);
        return;
    }
    if (message.isEmpty()) return;
    const QByteArray fields = message.mid(1);
    switch (message.front()) {
        case kDataRequest:
            sendData();
            break;
        case kSequenceAnnounce:
            expect_ = Expect::SequenceBody;
            break;
        case kSetPoint:
            setPointCommand(fields);
            break;
        case kStop:
            stopAll();
            break;
        case kStatusQuery:
            sendStatus();
            break;
        case kZero:
            offset_ = 0.0;
            break;
        case kPreheat:
            if (mode_ == Mode::Idle || mode_ == Mode::Preheat) {
                mode_ = Mode::Preheat;
                cooling_ = false;
                setPoint_ = vb::Val(QString::fromLatin1(fields));
                heaterTarget_ = heaterTargetFor(setPoint_);
            }
            break;
        case kRaiseBath:
            bathRaised_ = true;
            break;
        case kDropBath:
            bathRaised_ = false;
            break;
        case kCommand131:
            break;  // the program's manual mode; nothing visible changes
        case kCalibrationPrefix:
            if (message.size() == 1) expect_ = Expect::CalibrationMessage;
            break;
        default:
            break;  // unknown commands are ignored, as the unit does
    }
}

void UnitFirmware::setPointCommand(const QByteArray& text) {
    const QList<QByteArray> f = splitFields(text);
    const double temp = fieldValue(f, 0);
    const double rate = fieldValue(f, 1);
    const double factor = fieldValue(f, 2);
    run_.reset();  // the program takes over from a stand-alone run
    mode_ = Mode::HostRun;
    cooling_ = false;
    setPoint_ = temp;
    heaterTarget_ = heaterTargetFor(temp);
    factor_ = factor;
    motorTarget_ = motorSpeedFor(rate, factor);
}

void UnitFirmware::stopAll() {
    run_.reset();
    mode_ = Mode::Idle;
    motorTarget_ = 0;
    setPoint_ = 0;
    cooling_ = true;
}

bool UnitFirmware::startDownloadedSequence() {
    if (!sequence_) return false;
    records_.clear();
    run_.emplace(*sequence_);
    if (run_->finished()) {
        run_.reset();
        return false;
    }
    mode_ = Mode::StandAlone;
    cooling_ = false;
    factor_ = options_.shearRateFactor;
    const StandAloneRun::Target t = run_->target();
    setPoint_ = t.temp_F;
    heaterTarget_ = heaterTargetFor(t.temp_F);
    motorTarget_ = motorSpeedFor(t.shearRate_1ps, factor_);
    return true;
}

// ---- status and data ----

int UnitFirmware::statusCode() const {
    if (calibration_.running || calibration_.pressureEffectRunning) return 5;
    switch (mode_) {
        case Mode::StandAlone:
            return run_ && run_->inShearRamp() ? 6 : 2;
        case Mode::HostRun:
            return 1;
        case Mode::Preheat:
            return 7;
        case Mode::Idle:
            break;
    }
    return cooling_ && cell_.sample_F() > kCoolingAbove_F ? 8 : 0;
}

double UnitFirmware::noisy(double value, double sigma) {
    if (!(options_.noise > 0) || !(sigma > 0)) return value;
    std::normal_distribution<double> d(0.0, sigma * options_.noise);
    return value + d(rng_);
}

QByteArray UnitFirmware::statusReply() {
    const StandAloneRun::Readings r = readings();
    QByteArray text = pic(statusCode(), "0");
    for (const QByteArray& field : {pic(r.sampleTemp_F, "0"), pic(r.bathTemp_F, "0"), pic(setPoint_, "0"),
                                    pic(motor_, "0.00"), pic(r.shearStress, "0.0"), pic(r.pressure_psi, "0"),
                                    pic(r.shearRate_1ps, "0.0"), QByteArray("0")}) {
        text.append(',');
        text.append(field);
    }
    text.append(kTerminator);
    return text;
}

bool UnitFirmware::consumeFault(Fault fault) {
    int& left = faults_[static_cast<int>(fault)];
    if (left == 0) return false;
    if (left > 0) --left;
    return true;
}

void UnitFirmware::injectFault(Fault fault, int count) {
    faults_[static_cast<int>(fault)] = count < 0 ? kForever : count;
}

void UnitFirmware::clearFaults() {
    std::fill(std::begin(faults_), std::end(faults_), 0);
}

void UnitFirmware::sendStatus() {
    QByteArray reply = statusReply();
    if (consumeFault(Fault::Malfunction)) reply[0] = '4';
    if (consumeFault(Fault::DotInTemperature)) {
        const qsizetype first = reply.indexOf(',');
        const qsizetype second = reply.indexOf(',', first + 1);
        reply.replace(first + 1, second - first - 1, pic(cell_.sample_F() + 0.5, "0.0"));
    }
    if (consumeFault(Fault::MalformedReply)) {
        switch (malformedVariant_++ % 3) {
            case 0:
                reply.prepend('1');  // a two-digit code
                break;
            case 1:
                reply.remove(reply.lastIndexOf(','), 1);  // the spare field joined to the shear rate
                break;
            default:
                reply.prepend('?');  // line noise before the code
                break;
        }
    }
    if (consumeFault(Fault::DroppedTerminator)) reply.chop(1);
    if (consumeFault(Fault::SplitReply)) {
        const qsizetype half = reply.size() / 2;
        queue(reply.left(half));
        queue(reply.mid(half), 1.0);
        return;
    }
    queue(reply);
}

void UnitFirmware::sendData() {
    if (consumeFault(Fault::DataSilence)) return;
    const bool cut = consumeFault(Fault::DataCut);
    const qsizetype shortRecord = consumeFault(Fault::DataShortRecord) ? records_.size() / 2 : -1;
    QByteArray out;
    for (qsizetype i = 0; i < records_.size(); ++i) {
        const UnitRecord& r = records_[i];
        out.append(pic(r.rampNo, "0") + ',' + pic(r.stepNo, "0") + ',' + pic(r.time_s, "0"));
        if (i != shortRecord)
            out.append(',' + pic(r.sampleTemp_F, "0.0") + ',' + pic(r.bathTemp_F, "0.0") + ',' +
                       pic(r.pressure_psi, "0.0") + ',' + pic(r.shearRate_1ps, "0.00") + ',' +
                       pic(r.shearStress, "0.00") + ',' + pic(r.typeId, "0"));
        out.append(kRecordEnd);
    }
    if (shortRecord == 0 && records_.isEmpty()) out.append("1,0,0").append(kRecordEnd);
    if (!cut) out.append(kTransferEnd);
    queue(out);
}
