#include "instrument/RealTimeUnit.h"

#include "common/Messenger.h"
#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "link/SequenceDownload.h"
#include "link/UnitCommands.h"
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

MsgIcon iconFor(RetrievalResult::Kind kind) {
    switch (kind) {
        case RetrievalResult::Kind::Stored:
            return MsgIcon::Information;
        case RetrievalResult::Kind::CommunicationError:
            return MsgIcon::None;  // the communication messages come with their OK button alone
        case RetrievalResult::Kind::NothingHeld:
        case RetrievalResult::Kind::NotStored:
            break;
    }
    return MsgIcon::Exclamation;
}

}  // namespace

RealTimeUnit::RealTimeUnit(std::unique_ptr<UnitPort> port, Messenger& messenger)
    : UnitWindowLogic(std::move(port), messenger, StatusDisplay::Window::RealTime), clock_([] {
          return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
      }) {}

RealTimeUnit::~RealTimeUnit() = default;

void RealTimeUnit::InitialInst(clsConnection& connection) {
    connection_ = &connection;
    store_ = std::make_unique<SequenceStore>(connection);
    setDatabaseFile(connection.FilePath());
}

void RealTimeUnit::tickSteps() {
    // An exchange owns the line until it ends: a tick meanwhile would take its bytes.
    if (!exchangeRunning()) poll(nullptr);
}

void RealTimeUnit::tick(const RunContext& run, const std::function<void()>& step) {
    runFrame([&] {
        if (exchangeRunning()) return;
        poll(&run);
        if (run.running() && step) step();
    });
}

void RealTimeUnit::poll(const RunContext* run) {
    const bool inTemperatureRamp = run && run->state == RunState::TemperatureRamp;
    readReplies(inTemperatureRamp && run->phaseTick == kSetPointAnswerTick);
    if (!(inTemperatureRamp && run->phaseTick == kSetPointTick)) port_->send(UnitCommands::statusQuery());
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

UnitExchange::Next RealTimeUnit::sendSequence() {
    if (exchangeRunning()) return std::nullopt;
    if (selectedName_.isEmpty()) {
        messenger_.info(SequenceDownload::kNoSequenceText);
        return std::nullopt;
    }
    const QString refusal = SequenceSending::refusal(sequence_);
    if (!refusal.isEmpty()) {
        // A stale "Sequence Send Success." must not suggest that this sequence went out.
        statusBar_.sequence.clear();
        messenger_.info(refusal, title_, MsgIcon::Exclamation);
        return std::nullopt;
    }
    auto exchange = std::make_unique<SequenceDownload::Exchange>(SequenceSending::exchange(sequence_));
    const SequenceDownload::Exchange* download = exchange.get();
    statusBar_.sequence = kSendingText;
    return startExchange(std::move(exchange), [this, download] {
        statusBar_.sequence = SequenceDownload::resultText(download->acknowledged());
    });
}

UnitExchange::Next RealTimeUnit::retrieveData(const TestInfoAsker& askTestInfo) {
    if (exchangeRunning() || !connection_) return std::nullopt;
    if (runActive_) {
        messenger_.info(kRetrieveWhileRunningText, title_, MsgIcon::Exclamation);
        return std::nullopt;
    }
    const std::optional<TestInfoInput> info = askTestInfo ? askTestInfo(std::nullopt) : std::nullopt;
    if (!info) return std::nullopt;
    // The bob of the dialog is the one mounted, as at a start: the window shows rate and stress for it.
    poller_.display().setFactors(info->shearRateFactor(), info->bobStressFactor());
    auto exchange = std::make_unique<DataRetrieval>(*connection_, *info, QDateTime::currentDateTime());
    const DataRetrieval* retrieval = exchange.get();
    statusBar_.message = kRetrievingText;
    return startExchange(std::move(exchange), [this, retrieval] {
        const RetrievalResult& result = retrieval->result();
        statusBar_.message = result.summary;
        retrieval_ = result;
        if (!result.message.isEmpty())
            messenger_.info(result.message, result.title.isEmpty() ? title_ : result.title,
                            iconFor(result.kind));
    });
}

UnitExchange::Next RealTimeUnit::continueExchange() {
    if (!exchange_) return std::nullopt;
    const UnitExchange::Next next = exchange_->step(*port_);
    if (const QString progress = exchange_->progress(); next && !progress.isEmpty())
        statusBar_.message = progress;
    return follow(next);
}

void RealTimeUnit::abandonExchange() {
    exchange_.reset();
    exchangeFinished_ = nullptr;
}

UnitExchange::Next RealTimeUnit::startExchange(std::unique_ptr<UnitExchange> exchange,
                                               std::function<void()> finished) {
    exchange_ = std::move(exchange);
    exchangeFinished_ = std::move(finished);
    return follow(exchange_->start(*port_));
}

UnitExchange::Next RealTimeUnit::follow(UnitExchange::Next next) {
    if (next) return next;
    // Over: the exchange is no longer running when its outcome is shown (a message box lets events run).
    const std::unique_ptr<UnitExchange> ended = std::move(exchange_);
    const std::function<void()> finished = std::move(exchangeFinished_);
    exchangeFinished_ = nullptr;
    if (finished) finished();
    return std::nullopt;
}

bool RealTimeUnit::sendCommand(const QByteArray& bytes) {
    // Bytes sent now would land in the middle of the exchange and spoil it; the buttons are held meanwhile.
    if (exchangeRunning()) return false;
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
}

void RealTimeUnit::confirmSetPointChange() {
    messenger_.okCancel(kSetPointQuestion, kSetPointQuestionTitle);
}
