#include "instrument/RealTimeUnit.h"

#include "common/Messenger.h"
#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "instrument/SequenceDownload.h"
#include "instrument/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

QString numbered(const QString& description, int number) {
    return RealTimeHost::errorText({description, number});
}

}  // namespace

RealTimeUnit::RealTimeUnit(std::unique_ptr<UnitPort> port, Messenger& messenger)
    : UnitWindowLogic(std::move(port), messenger, StatusDisplay::Window::RealTime), clock_([] {
          return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
      }) {}

RealTimeUnit::~RealTimeUnit() = default;

void RealTimeUnit::InitialInst(clsConnection& connection) {
    store_ = std::make_unique<SequenceStore>(connection);
    setDatabaseFile(connection.FilePath());
}

void RealTimeUnit::tickSteps() {
    // The tick after a temperature set point reads the unit's answer to it and throws it away; the tick that
    // sends the set point sends no status query.
    const bool inTemperatureRamp = run_.state == RunState::TemperatureRamp;
    readReplies(inTemperatureRamp && run_.phaseTick == kSetPointAnswerTick);
    if (!(inTemperatureRamp && run_.phaseTick == kSetPointTick)) port_->send(UnitCommands::statusQuery());
    if (!run_.running()) return;
    run_.elapsed_s = std::max<qint64>(0, std::llround(now_s() - run_.start_s));
    if (run_.elapsed_s > kRaiseBathAfter_s) raiseBathEnabled_ = true;
    if (!runStep_ || runStep_())
        statusBar_.elapsedTime = kElapsedPrefix + StatusDisplay::elapsedText(run_.elapsed_s);
}

QStringList RealTimeUnit::sequenceNames() {
    if (!store_) return {};
    try {
        return store_->names();
    } catch (const StoreError& e) {
        messenger_.info(numbered(QStringLiteral("The stored sequences could not be read: ") + e.description(),
                                 e.number()),
                        title_, MsgIcon::Exclamation);
        return {};
    }
}

bool RealTimeUnit::selectSequence(const QString& name) {
    if (name.isEmpty() || !store_) return false;
    try {
        StoredSequence loaded = SequenceSending::load(*store_, name);
        if (!loaded.found) {
            messenger_.info(
                QStringLiteral("The sequence \"%1\" is not stored any more. Please select another one.")
                    .arg(name),
                title_, MsgIcon::Exclamation);
            return false;
        }
        selectedName_ = name;
        sequence_ = std::move(loaded);
        return true;
    } catch (const StoreError& e) {
        messenger_.info(
            numbered(QStringLiteral("The sequence \"%1\" could not be read: ").arg(name) + e.description(),
                     e.number()),
            title_, MsgIcon::Exclamation);
        return false;
    }
}

void RealTimeUnit::sendSequence() {
    if (selectedName_.isEmpty()) {
        messenger_.info(SequenceDownload::kNoSequenceText);
        return;
    }
    const QString refusal = SequenceSending::refusal(sequence_);
    if (!refusal.isEmpty()) {
        // A stale "Sequence Send Success." must not suggest that this sequence went out.
        statusBar_.sequence.clear();
        messenger_.info(refusal, title_, MsgIcon::Exclamation);
        return;
    }
    statusBar_.sequence = SequenceDownload::resultText(SequenceSending::download(*port_, sequence_, wait_));
}

bool RealTimeUnit::sendCommand(const QByteArray& bytes) {
    return UnitWindowLogic::sendCommand(bytes, QStringLiteral("The command did not reach the unit: "));
}

void RealTimeUnit::zero() {
    sendCommand(UnitCommands::zero());
}

void RealTimeUnit::preheat(const QString& temperatureText) {
    sendCommand(UnitCommands::preheat(vb::Val(temperatureText)));
}

void RealTimeUnit::raiseBath() {
    sendCommand(UnitCommands::raiseBath());
}

void RealTimeUnit::dropBath() {
    sendCommand(UnitCommands::dropBath());
}

void RealTimeUnit::jog() {
    if (sendCommand(UnitCommands::jog())) statusBar_.message = kJoggingText;
}

void RealTimeUnit::shutDown() {
    sendCommand(UnitCommands::stop());
    poller_.display().readings().tempSetPoint_F = 0;
    exitEnabled_ = true;
    run_.state = RunState::Idle;
}

void RealTimeUnit::confirmSetPointChange() {
    messenger_.okCancel(kSetPointQuestion, kSetPointQuestionTitle);
}
