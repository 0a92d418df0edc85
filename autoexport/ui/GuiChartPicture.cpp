#include "autoexport/ui/GuiChartPicture.h"

#include "analysis/OpenTest.h"
#include "common/Messenger.h"
#include "reports/ui/TestReportMaker.h"

#include <QApplication>
#include <QThread>

#include <future>
#include <memory>

namespace autoexport {

namespace {

struct Drawn {
    QPicture picture;
    QString problem;
};

Drawn draw(const OpenedTest& test, UnitSystem units) {
    Drawn drawn;
    ProblemMessenger messenger(&drawn.problem);
    drawn.picture = reports::RecordTimeChart(test, units, messenger);
    if (drawn.picture.isNull() && drawn.problem.isEmpty())
        drawn.problem = QStringLiteral("the chart could not be drawn");
    return drawn;
}

constexpr int kPoll_ms = 100;

}  // namespace

ChartPicture GuiChartPicture() {
    return [](const OpenedTest& test, UnitSystem units, QString* problem) -> QPicture {
        QCoreApplication* app = QCoreApplication::instance();
        if (!qobject_cast<QApplication*>(app)) {
            if (problem) *problem = QStringLiteral("the chart cannot be drawn without the window system");
            return {};
        }
        Drawn drawn;
        if (QThread::currentThread() == app->thread()) {
            drawn = draw(test, units);
        } else {
            // The drawing owns what it draws: a waiter that gives up leaves nothing it points to behind.
            auto promise = std::make_shared<std::promise<Drawn>>();
            auto copy = std::make_shared<const OpenedTest>(test);
            std::future<Drawn> result = promise->get_future();
            QMetaObject::invokeMethod(
                app, [promise, copy, units] { promise->set_value(draw(*copy, units)); },
                Qt::QueuedConnection);
            while (result.wait_for(std::chrono::milliseconds(kPoll_ms)) != std::future_status::ready) {
                if (QThread::currentThread()->isInterruptionRequested()) {
                    if (problem) *problem = QStringLiteral("the program ended before the chart was drawn");
                    return {};
                }
            }
            drawn = result.get();
        }
        if (problem) *problem = drawn.problem;
        return drawn.picture;
    };
}

}  // namespace autoexport
