#include "instrument/ui/UnitStatusFeed.h"

#include "instrument/RealTimeHost.h"
#include "instrument/TestRunEngine.h"
#include "instrument/ui/frmMDIRealTime.h"
#include "instrument/ui/frmRealTime.h"
#include "instrument/ui/frmSimpleTest.h"
#include "store/clsConnection.h"

#include <QFileInfo>
#include <QTimer>

namespace {

DiagnosticLog logBeside(const clsConnection& connection) {
    const QString database = connection.FilePath();
    return DiagnosticLog(database.isEmpty() ? QString() : QFileInfo(database).absolutePath());
}

}  // namespace

UnitStatusFeed::UnitStatusFeed(frmMDIRealTime& host, const clsConnection& connection)
    : QObject(&host),
      host_(host),
      writer_(connection.location(), kProgram, logBeside(connection)),
      timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &UnitStatusFeed::feed);
    timer_->start(kFeedInterval_ms);
}

void UnitStatusFeed::feed() {
    for (int unit = 1; unit <= RealTimeHost::kUnitCount; ++unit) {
        if (frmRealTime* window = host_.realTimeWindow(unit)) {
            RealTimeUnit& logic = window->logic();
            const RunContext* run = window->engine() ? &window->engine()->context() : nullptr;
            writer_.offer(
                describeUnit(unit, logic, run, logic.selectedName(), logic.waitingReadingsWriter()));
        } else if (frmSimpleTest* simple = host_.simpleTestWindow(unit)) {
            writer_.offer(describeUnit(unit, simple->logic(), nullptr, {}, nullptr));
        } else {
            writer_.release(unit);
        }
    }
}
