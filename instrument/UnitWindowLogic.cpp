#include "instrument/UnitWindowLogic.h"

#include "common/Messenger.h"
#include "instrument/RealTimeHost.h"
#include "store/ReadingWriter.h"
#include "store/StoreError.h"

#include <QFileInfo>
#include <QTime>

UnitWindowLogic::UnitWindowLogic(std::unique_ptr<UnitPort> port, Messenger& messenger,
                                 StatusDisplay::Window window)
    : port_(std::move(port)), messenger_(messenger), poller_(*port_, window) {}

UnitWindowLogic::~UnitWindowLogic() {
    closePort();
}

void UnitWindowLogic::setDatabaseFile(const QString& path) {
    failures_.setLog(DiagnosticLog(path.isEmpty() ? QString() : QFileInfo(path).absolutePath()));
}

void UnitWindowLogic::closePort() {
    port_->close();
    failures_.flush();
}

void UnitWindowLogic::tick() {
    runFrame([this] { tickSteps(); });
}

void UnitWindowLogic::runFrame(const std::function<void()>& steps) {
    poller_.countTick();
    try {
        steps();
        failures_.tickSucceeded();
    } catch (const UnitPortError& e) {
        failures_.failed(TickFailureKind::Link, e.number() == UnitPortErrorNumber::kDeviceLost
                                                    ? kConnectionLostPrefix + e.description()
                                                    : RealTimeHost::errorText({e.description(), e.number()}));
    } catch (const StoreError& e) {
        failures_.failed(TickFailureKind::Storage,
                         kNotStoredPrefix + RealTimeHost::errorText({e.description(), e.number()}));
    } catch (const std::exception& e) {
        failures_.failed(TickFailureKind::Other, kTickFailedPrefix + QString::fromUtf8(e.what()));
    } catch (...) {
        failures_.failed(TickFailureKind::Other, kTickFailedPrefix + QStringLiteral("an unknown failure"));
    }
    noteStoredReadings();
}

void UnitWindowLogic::noteStoredReadings() {
    const bool waiting = waitingReadings_ && waitingReadings_->waiting() > 0;
    if (readingsWaited_ && !waiting)
        statusBar_.message = kWaitingStored.arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    readingsWaited_ = waiting;
}

QList<StatusDisplay::Effects> UnitWindowLogic::readReplies(bool discard) {
    const QList<StatusDisplay::Effects> effects = poller_.readReplies(discard);
    for (const StatusDisplay::Effects& e : effects)
        if (e.enableExit) exitEnabled_ = true;
    return effects;
}

bool UnitWindowLogic::sendCommand(const QByteArray& bytes, const QString& failurePrefix) {
    try {
        port_->send(bytes);
        return true;
    } catch (const UnitPortError& e) {
        messenger_.info(failurePrefix + RealTimeHost::errorText({e.description(), e.number()}), title_,
                        MsgIcon::Exclamation);
        return false;
    }
}

QString UnitWindowLogic::closeRefusal(bool) const {
    return {};
}

QString UnitWindowLogic::messagePanelText() const {
    if (const QString failure = failures_.statusText(); !failure.isEmpty()) return failure;
    if (waitingReadings_)
        if (const QString waiting = waitingReadings_->statusText(); !waiting.isEmpty()) return waiting;
    return statusBar_.message;
}
