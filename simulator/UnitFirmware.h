#pragma once

#include "simulator/CellModel.h"
#include "simulator/FluidModel.h"
#include "simulator/SequenceReader.h"
#include "simulator/StandAloneRun.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <optional>
#include <random>

// The firmware of one instrument unit, behind its wire protocol, on simulated time.
//
// Bytes from the program go in through receive(); what the unit sends comes out of takeOutput() once the
// simulated clock has reached it (the line carries about 1920 bytes a second at 19200 baud, so a reply
// takes a few milliseconds and a large data transfer a while). Nothing happens between calls: time moves
// only by advance(), which makes every run deterministic for a given seed.
//
// What it does: answers the status query; follows set points (sample temperature lagging the bath, the
// bath heating and cooling at a limited rate, the motor turning at shear rate / shear-rate factor), stop,
// zero, preheat, bath up and down; takes a sequence download and acknowledges it with "x"; runs the
// downloaded sequence by itself and keeps its records for the data request; runs the torque and
// pressure-effect calibrations. Faults can be injected into its status replies and its data transfers.
class UnitFirmware {
  public:
    struct Options {
        quint32 seed = 1;
        double ambient_F = 75.0;
        double pressure_psi = 0.0;
        // Shear rate per rpm of the mounted bob, used when the unit runs a sequence by itself; the B5 bob.
        double shearRateFactor = 42.61406299750999 / (3.3911222499999996 - 1.5987 * 1.5987) / 60.0;
        // Stress the mounted bob sees relative to the reference bob; the status reply reports stress for the
        // reference bob (divided by this).
        double bobStressFactor = 1.0;
        // Torque offset until the first zero command, dyn/cm2.
        double stressOffset = 1.5;
        // The torque sensor: its voltage at no torque and the stress (for the reference bob) per volt.
        double sensorZero_V = 0.05;
        double sensorGain_dyn_per_V = 250.0;
        // How far the sensor has drifted from the line the unit holds, as a fraction of its gain: the unit
        // reports stresses that much too high until a torque calibration gives it a new line.
        double sensorDrift = 0.0;
        double noise = 1.0;          // scales every noise amplitude; 0 for exact readings
        double lineRate_Bps = 1920;  // bytes a second on the line; 0 for instant replies
        double replyLatency_s = 0.01;
        double acknowledgeDelay_s = 0.5;  // time to digest a sequence body before the "x"
        bool startRunOnDownload = false;  // start the stand-alone run as soon as a sequence arrives
        FluidModel fluid;
    };

    enum class Fault {
        NoAnswer,           // commands are ignored and nothing is sent
        SplitReply,         // a status reply comes in two pieces, the second a second later
        MalformedReply,     // a status reply with a two-digit code, a missing field or leading noise
        DotInTemperature,   // the sample temperature of a status reply written with a decimal
        DroppedTerminator,  // a status reply without its byte 26
        Malfunction,        // status code 4
        // Faults of the answer to the data request.
        DataSilence,      // the data request goes unanswered (status replies still come)
        DataCut,          // the transfer stops before its end byte
        DataShortRecord,  // the record in the middle of the transfer has only three fields
    };
    static constexpr int kFaultKinds = 9;
    static constexpr int kForever = -1;

    struct Calibration {
        bool running = false;
        double viscosity_cP = 0;
        int pointsSent = 0;
        bool resultReceived = false;
        double c0 = 0, c1 = 0, zeroVoltage = 0;
        bool pressureEffectRunning = false;
    };

    UnitFirmware();
    explicit UnitFirmware(const Options& options);

    // The wire.
    void receive(const QByteArray& bytes);
    QByteArray takeOutput();
    int outputWaiting() const;  // bytes already on the line for the program to read

    // Simulated time.
    void advance(double seconds);
    double now_s() const { return now_; }

    // The unit's front panel and the operator's hands.
    void setPressure(double psi) { pressure_ = psi; }
    bool startDownloadedSequence();  // false without a downloaded sequence
    void loadFreshFluid() { cell_.loadFreshFluid(); }

    // Faults: the next `count` status replies (commands for NoAnswer, data transfers for the Data faults);
    // kForever until cleared.
    void injectFault(Fault fault, int count = 1);
    void clearFaults();

    // What the unit is doing, for tests and the simulator's console.
    int statusCode() const;
    double sampleTemp_F() const { return cell_.sample_F(); }
    double bathTemp_F() const { return cell_.bath_F(); }
    double setPoint_F() const { return setPoint_; }
    double motorSpeed_rpm() const { return motor_; }
    double shearRate_1ps() const { return motor_ * factor_; }
    double pressure_psi() const { return pressure_; }
    bool bathRaised() const { return bathRaised_; }
    bool zeroed() const { return offset_ == 0.0; }
    const std::optional<UnitSequence>& sequence() const { return sequence_; }
    bool runningSequence() const { return run_.has_value(); }
    const QList<UnitRecord>& records() const { return records_; }
    const Calibration& calibration() const { return calibration_; }
    // The line the unit turns its sensor voltage into stress with (stress = c0 + c1 x volts): the factory's
    // until a calibration result arrives, then that result's.
    double stressLineC0() const { return lineC0_; }
    double stressLineC1() const { return lineC1_; }
    // Every complete command received, terminator stripped, in order.
    const QList<QByteArray>& commandLog() const { return commandLog_; }

    // The status reply the unit would send now, before faults and noise-free when noise is 0.
    QByteArray statusReply();

  private:
    enum class Mode { Idle, HostRun, StandAlone, Preheat };
    enum class Expect { Command, SequenceBody, CalibrationMessage };

    void handle(const QByteArray& message);
    void handleCalibration(const QByteArray& message);
    void setPointCommand(const QByteArray& fields);
    void stopAll();
    void sendStatus();
    void sendData();
    void queue(const QByteArray& bytes, double extraDelay_s = 0.0);
    void physics(double dt);
    void onSecond();
    void calibrationSecond();  // the points and the end of a running calibration, once a second
    double measuredStress();   // for the reference bob, with offset and noise, through the unit's line
    double sensorVolts(double referenceStress) const;
    void sendCalibrationPoint(int k);
    double noisy(double value, double sigma);
    bool consumeFault(Fault fault);
    StandAloneRun::Readings readings();

    Options options_;
    CellModel cell_;  // the oven and the fluid
    std::mt19937 rng_;
    double now_ = 0;
    double nextSecond_ = 1;

    QByteArray input_;
    Expect expect_ = Expect::Command;
    QList<QByteArray> commandLog_;

    struct Chunk {
        double release_s;
        QByteArray bytes;
    };
    std::deque<Chunk> output_;
    double lineFreeAt_ = 0;

    Mode mode_ = Mode::Idle;
    bool cooling_ = false;
    double setPoint_ = 0;  // reported in field 4
    double heaterTarget_ = 0;
    double motor_ = 0, motorTarget_ = 0;
    double factor_ = 0;
    double pressure_;
    double offset_;
    bool bathRaised_ = true;

    std::optional<UnitSequence> sequence_;
    std::optional<StandAloneRun> run_;
    QList<UnitRecord> records_;

    Calibration calibration_;
    double lineC0_, lineC1_;
    double calibrationStart_ = 0;
    double pressureEffectEnd_ = 0;

    int faults_[kFaultKinds] = {};
    int malformedVariant_ = 0;
};
