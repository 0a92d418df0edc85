#include "simulator/UnitFirmware.h"

#include "common/VbFormat.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char kTerminator = 26;
constexpr char kRecordEnd = 3;
constexpr char kTransferEnd = 2;

// Command bytes of the program.
constexpr char kDataRequest = 1;
constexpr char kSequenceAnnounce = 3;
constexpr char kSetPoint = 5;
constexpr char kStop = 6;
constexpr char kStatusQuery = 7;
constexpr char kZero = 8;
constexpr char kPreheat = 9;
constexpr char kRaiseBath = 13;
constexpr char kDropBath = 15;
constexpr char kCommand131 = static_cast<char>(131);
constexpr char kCalibrationPrefix = 'N';
// Calibration sub-commands and the unit's calibration messages.
constexpr char kCalibrationStart = 2;
constexpr char kCalibrationResult = 14;
constexpr char kPressureEffectStart = 11;
constexpr char kCalibrationPoint = 8;
constexpr char kCalibrationEnd = 9;

// Thermal and mechanical time constants of the unit.
constexpr double kBathLag_s = 90.0;
constexpr double kHeatRate_Fps = 8.0 / 60.0;
constexpr double kCoolRate_Fps = 4.0 / 60.0;
constexpr double kIdleBathLag_s = 600.0;
constexpr double kSampleLag_s = 120.0;
constexpr double kDroppedSampleLag_s = 1200.0;
constexpr double kMotorLag_s = 0.7;
constexpr double kCoolingAbove_F = 150.0;
constexpr double kStep_s = 0.25;
constexpr qsizetype kChunk = 16;
constexpr qsizetype kMaxInput = 65536;  // a message without its terminator longer than this is noise

// Calibration: 17 points, one every 3 s after 2 s, at 0, 37.5, ..., 600 rpm; 5 minutes of pressure effect.
// The unit reports each point's stress for the reference bob B5 at that speed, whatever bob is mounted.
constexpr int kCalibrationPoints = 17;
constexpr double kCalibrationFirst_s = 2.0;
constexpr double kCalibrationEvery_s = 3.0;
constexpr double kCalibrationRpmStep = 37.5;
constexpr double kReferenceShearRateFactor =
    42.61406299750999 / (3.3911222499999996 - 1.5987 * 1.5987) / 60.0;
constexpr double kCalibrationVoltNoise_V = 0.0003;
constexpr double kPressureEffect_s = 300.0;

QByteArray pic(double value, const char* picture) {
    return vb::Format(value, QString::fromLatin1(picture)).toLatin1();
}

QList<QByteArray> splitFields(const QByteArray& text) {
    return text.split(',');
}

double fieldValue(const QList<QByteArray>& fields, qsizetype index) {
    return index < fields.size() ? vb::Val(QString::fromLatin1(fields[index])) : 0.0;
}

bool isCommandByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b >= 0x80;
}

// What the heater and cooler can hold, and the motor's speed range either way.
constexpr double kLowestTarget_F = -50.0;
constexpr double kHighestTarget_F = 600.0;
constexpr double kMaxSpeed_rpm = 1000.0;

double heaterTargetFor(double setPoint_F) {
    return std::clamp(setPoint_F, kLowestTarget_F, kHighestTarget_F);
}

double motorSpeedFor(double shearRate_1ps, double factor) {
    if (!(std::fabs(factor) > 1e-9)) return 0.0;
    const double rpm = shearRate_1ps / factor;
    return std::isnan(rpm) ? 0.0 : std::clamp(rpm, -kMaxSpeed_rpm, kMaxSpeed_rpm);
}

}  // namespace

UnitFirmware::UnitFirmware() : UnitFirmware(Options{}) {}

UnitFirmware::UnitFirmware(const Options& options)
    : options_(options),
      fluid_(options.fluid),
      rng_(options.seed),
      sample_(options.ambient_F),
      bath_(options.ambient_F),
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
    return cooling_ && sample_ > kCoolingAbove_F ? 8 : 0;
}

double UnitFirmware::noisy(double value, double sigma) {
    if (!(options_.noise > 0) || !(sigma > 0)) return value;
    std::normal_distribution<double> d(0.0, sigma * options_.noise);
    return value + d(rng_);
}

double UnitFirmware::sensorVolts(double referenceStress) const {
    const double gain = options_.sensorGain_dyn_per_V != 0 ? options_.sensorGain_dyn_per_V : 1.0;
    return options_.sensorZero_V + referenceStress / gain;
}

double UnitFirmware::measuredStress() {
    const double mounted = fluid_.shearStress(shearRate_1ps(), sample_, fluidAge_s());
    const double reference = mounted / (options_.bobStressFactor != 0 ? options_.bobStressFactor : 1.0);
    const double reported = lineC0_ + lineC1_ * sensorVolts(reference + offset_);
    return noisy(reported, 0.01 * std::fabs(reference) + 0.05);
}

StandAloneRun::Readings UnitFirmware::readings() {
    StandAloneRun::Readings r;
    r.sampleTemp_F = noisy(sample_, 0.2);
    r.bathTemp_F = noisy(bath_, 0.2);
    r.pressure_psi = noisy(pressure_, 0.5);
    r.shearRate_1ps = shearRate_1ps();
    r.shearStress = measuredStress();
    return r;
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
        reply.replace(first + 1, second - first - 1, pic(sample_ + 0.5, "0.0"));
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

// ---- calibration ----

void UnitFirmware::handleCalibration(const QByteArray& message) {
    if (message.isEmpty()) return;
    const QList<QByteArray> f = splitFields(message.mid(1));
    switch (message.front()) {
        case kCalibrationStart:
            calibration_ = {};
            calibration_.running = true;
            calibration_.viscosity_cP = fieldValue(f, 0);
            calibrationStart_ = now_;
            run_.reset();
            mode_ = Mode::Idle;
            break;
        case kCalibrationResult:
            calibration_.resultReceived = true;
            calibration_.c0 = fieldValue(f, 0);
            calibration_.c1 = fieldValue(f, 1);
            calibration_.zeroVoltage = fieldValue(f, 7);
            lineC0_ = calibration_.c0;
            lineC1_ = calibration_.c1;
            break;
        case kPressureEffectStart:
            calibration_.pressureEffectRunning = true;
            pressureEffectEnd_ = now_ + kPressureEffect_s;
            break;
        default:
            break;
    }
}

// A point at speed step k in a Newtonian calibration fluid of the viscosity the program sent: the stress the
// unit computes for the reference bob at that speed, and the voltage the sensor gives for the torque on the
// bob that is mounted.
void UnitFirmware::sendCalibrationPoint(int k) {
    const double rpm = kCalibrationRpmStep * k;
    motorTarget_ = rpm;
    const double viscosity_P = calibration_.viscosity_cP / 100.0;
    const double reported = k == 0 ? 0.0 : viscosity_P * rpm * kReferenceShearRateFactor;
    const double mounted = viscosity_P * rpm * options_.shearRateFactor;
    const double reference = mounted / (options_.bobStressFactor != 0 ? options_.bobStressFactor : 1.0);
    const double volts = noisy(sensorVolts(reference), kCalibrationVoltNoise_V);
    QByteArray point;
    point.append(kCalibrationPoint);
    point.append(pic(reported, "0.00") + ',' + pic(volts, "0.0000"));
    point.append(kTerminator);
    queue(point);
}

// ---- time ----

void UnitFirmware::advance(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds)) return;
    const double end = now_ + seconds;
    while (end - now_ > 1e-12) {
        const double step = std::min({kStep_s, end - now_, nextSecond_ - now_});
        if (step > 0) {
            physics(step);
            now_ += step;
        }
        if (nextSecond_ - now_ <= 1e-9) {
            onSecond();
            nextSecond_ += 1.0;
        }
    }
}

void UnitFirmware::physics(double dt) {
    const bool heaterOn = mode_ != Mode::Idle;
    if (heaterOn) {
        const double rate = std::clamp((heaterTarget_ - bath_) / kBathLag_s, -kCoolRate_Fps, kHeatRate_Fps);
        bath_ += rate * dt;
    } else {
        bath_ += (options_.ambient_F - bath_) * (1.0 - std::exp(-dt / kIdleBathLag_s));
    }
    if (bathRaised_)
        sample_ += (bath_ - sample_) * (1.0 - std::exp(-dt / kSampleLag_s));
    else
        sample_ += (options_.ambient_F - sample_) * (1.0 - std::exp(-dt / kDroppedSampleLag_s));
    motor_ += (motorTarget_ - motor_) * (1.0 - std::exp(-dt / kMotorLag_s));
}

void UnitFirmware::onSecond() {
    if (run_) {
        run_->second(readings(), records_);
        if (run_->finished()) {
            stopAll();
        } else {
            const StandAloneRun::Target t = run_->target();
            setPoint_ = t.temp_F;
            heaterTarget_ = heaterTargetFor(t.temp_F);
            motorTarget_ = motorSpeedFor(t.shearRate_1ps, factor_);
        }
    }

    if (calibration_.running) {
        const double since = now_ - calibrationStart_;
        while (calibration_.pointsSent < kCalibrationPoints &&
               since + 1e-9 >= kCalibrationFirst_s + kCalibrationEvery_s * calibration_.pointsSent) {
            sendCalibrationPoint(calibration_.pointsSent++);
        }
        if (calibration_.pointsSent == kCalibrationPoints &&
            since + 1e-9 >= kCalibrationFirst_s + kCalibrationEvery_s * kCalibrationPoints) {
            QByteArray end;
            end.append(kCalibrationEnd);
            end.append(kTerminator);
            queue(end);
            calibration_.running = false;
            motorTarget_ = 0;
        }
    }
    if (calibration_.pressureEffectRunning && now_ + 1e-9 >= pressureEffectEnd_)
        calibration_.pressureEffectRunning = false;

    if (cooling_ && sample_ <= kCoolingAbove_F) cooling_ = false;
}
