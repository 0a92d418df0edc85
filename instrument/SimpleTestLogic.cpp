#include "instrument/SimpleTestLogic.h"

#include "common/Messenger.h"
#include "common/VbFormat.h"
#include "instrument/StatusDisplay.h"
#include "link/UnitCommands.h"

const std::array<SimpleTestLogic::Bob, 6> SimpleTestLogic::kBobs = {{
    {"B5", 1.5987, 7.62, 1.0, 1.0},
    {"B2", 1.2276, 7.62, 1.69598, 0.443326},
    {"B1", 1.7245, 7.62, 0.8594, 2.002},
    {"XB5", 1.5987, 8.785, 0.8673, 1.0},
    {"XB2", 1.2276, 8.785, 1.470923454, 0.443326},
    {"XB1", 1.7245, 8.785, 0.74535762, 2.002},
}};

SimpleTestLogic::SimpleTestLogic(std::unique_ptr<UnitPort> port, Messenger& messenger)
    : UnitWindowLogic(std::move(port), messenger, StatusDisplay::Window::SimpleTest) {
    selectBob(0);
}

void SimpleTestLogic::selectBob(int index) {
    if (index < 0 || index >= static_cast<int>(kBobs.size())) return;
    bobIndex_ = index;
    poller_.display().setFactors(kBobs[index].rateRatio, kBobs[index].stressFactor);
}

SimpleTestLogic::StartOutcome SimpleTestLogic::start(const QString& tempText, const QString& speedText) {
    if (speedText.isEmpty() || tempText.isEmpty()) {
        messenger_.info(kSetPointFirst);
        return StartOutcome::MissingSetPoint;
    }
    const double temp_F = vb::Val(tempText);
    if (temp_F > kMaxTemperature_F || temp_F < 0) {
        messenger_.info(kInvalidTemperature);
        return StartOutcome::InvalidTemperature;
    }
    const double speed_rpm = vb::Val(speedText);
    if (speed_rpm > kMaxSpeed_rpm || speed_rpm < 0) {
        messenger_.info(kInvalidSpeed);
        return StartOutcome::InvalidSpeed;
    }
    if (started_) return StartOutcome::AlreadyStarted;
    started_ = true;
    tempSetPoint_F_ = temp_F;
    shearRateSet_1ps_ = speed_rpm * kBobs[bobIndex_].rateRatio;
    timerInterval_ms_ = kTickInterval_ms;
    runTick_ = 0;
    exitEnabled_ = false;
    statusBar_.startTime = kStartTimePrefix + vb::ShortTime(clock_());
    return StartOutcome::Started;
}

void SimpleTestLogic::shutDown() {
    sendCommand(UnitCommands::stop(), QStringLiteral("The stop command did not reach the unit: "));
    exitEnabled_ = true;
    started_ = false;
}

void SimpleTestLogic::tickSteps() {
    for (const StatusDisplay::Effects& effects : readReplies(started_ && runTick_ == 2)) {
        if (effects.highTemperatureShutDown) {
            shutDown();
            messenger_.info(StatusDisplay::kHighTemperatureText);
        }
    }
    port_->send(started_ && runTick_ == 1 ? UnitCommands::command131() : UnitCommands::statusQuery());
    if (!started_) return;
    const int c = runTick_++;
    if (c == 0) {
        port_->send(UnitCommands::statusQuery());
    } else if (c == 1) {
        port_->send(UnitCommands::setPoint(tempSetPoint_F_, shearRateSet_1ps_, kBobs[bobIndex_].rateRatio));
        timerInterval_ms_ = kSetPointTickInterval_ms;
    } else {
        timerInterval_ms_ = kTickInterval_ms;
        statusBar_.elapsedTime = kElapsedPrefix + StatusDisplay::elapsedText(runTick_);
    }
}

QString SimpleTestLogic::closeRefusal(bool fromExitButton) const {
    const UnitStatus state = unitState();
    if (state != UnitStatus::RunningTest && state != UnitStatus::Ramping) return {};
    return fromExitButton ? kMustStop : kNoExit;
}
