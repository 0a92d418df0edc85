#include "autoexport/AutoExporter.h"

#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

#include <optional>

// The thread that writes the files: its own connection to the program's database, opened at its first
// export and kept.
class ExportWorker : public QObject {
  public:
    ExportWorker(AutoExporter& owner, store::DatabaseLocation location, UnitSystem units,
                 autoexport::ChartPicture chart)
        : owner_(owner), location_(std::move(location)), units_(units), chart_(std::move(chart)) {}

    // ending: the event that ended the run.
    void exportTest(const NotifyEvent& ending) {
        autoexport::Outcome outcome;
        try {
            outcome = autoexport::ExportTest(connection(), ending.test, owner_.settings_, units_, chart_);
            if (!outcome.found) outcome.failures << QStringLiteral("the test is not stored");
        } catch (const std::exception& error) {
            // The database could not be opened or read: nothing of the test is written.
            outcome.failures << StoreError::describe(error);
        }
        owner_.finished(ending, outcome);
    }

    // Closes the connection on the thread that opened it.
    void close() { connection_.reset(); }

  private:
    clsConnection& connection() {
        if (connection_ && connection_->IsOpen()) {
            connection_->reconnectIfLost();
            return *connection_;
        }
        connection_ = std::make_unique<clsConnection>();
        connection_->setLocation(location_);
        connection_->OpenDB();
        if (!connection_->IsOpen()) throw StoreError(StoreError::kNotOpen, connection_->LastError());
        return *connection_;
    }

    AutoExporter& owner_;
    store::DatabaseLocation location_;
    UnitSystem units_;
    autoexport::ChartPicture chart_;
    std::unique_ptr<clsConnection> connection_;
};

namespace autoexport {

bool EndsRun(EventKind kind) {
    return kind == EventKind::TestEnded || kind == EventKind::TestStopped ||
           kind == EventKind::ShutDownLowViscosity;
}

}  // namespace autoexport

AutoExporter::AutoExporter(const AutoExportSettings& settings, const store::DatabaseLocation& location,
                           UnitSystem units, const QString& dir, EventSink* next,
                           autoexport::ChartPicture chart)
    : settings_(settings), log_(dir), next_(next) {
    thread_.setObjectName(QStringLiteral("AutoExport"));
    worker_ = new ExportWorker(*this, location, settings.units.value_or(units), std::move(chart));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, [w = worker_] {
        w->close();
        delete w;
    });
    thread_.start();
}

AutoExporter::~AutoExporter() {
    thread_.quit();
    thread_.wait();
    // The thread is gone: its log is this thread's now.
    if (const int left = pending_.load(); left > 0)
        log_.append(
            QString::fromLatin1(kLogWhere),
            QStringLiteral("%1 run(s) ended without their exports: the program ended first.").arg(left));
}

std::unique_ptr<AutoExporter> AutoExporter::beside(const QString& initialPath,
                                                   const store::DatabaseLocation& location, UnitSystem units,
                                                   EventSink* next, autoexport::ChartPicture chart) {
    const AutoExportSettings settings = AutoExportSettings::read(AutoExportSettings::pathBeside(initialPath));
    const QString dir = QFileInfo(initialPath).absolutePath();
    DiagnosticLog log(dir);
    for (const QString& problem : settings.problems) log.append(QString::fromLatin1(kLogWhere), problem);
    if (!settings.active()) return nullptr;
    return std::make_unique<AutoExporter>(settings, location, units, dir, next, std::move(chart));
}

void AutoExporter::raise(const NotifyEvent& event) {
    if (next_) next_->raise(event);
    if (!autoexport::EndsRun(event.kind) || event.test.isEmpty()) return;
    ++pending_;
    QMetaObject::invokeMethod(
        worker_, [w = worker_, event] { w->exportTest(event); }, Qt::QueuedConnection);
}

void AutoExporter::finished(const NotifyEvent& ending, const autoexport::Outcome& outcome) {
    for (const QString& note : outcome.notes)
        log_.append(QString::fromLatin1(kLogWhere), QStringLiteral("%1: %2").arg(ending.test, note));
    if (outcome.failures.isEmpty()) {
        --pending_;
        return;
    }
    ++failed_;
    const QString where = QString::fromLatin1(kLogWhere);
    for (const QString& failure : outcome.failures)
        log_.append(where, QStringLiteral("%1: %2").arg(ending.test, failure));
    NotifyEvent failed =
        NotifyEvent::make(EventKind::ExportFailed,
                          QStringLiteral("Test \"%1\": %2 of its automatic exports could not be written: %3")
                              .arg(ending.test)
                              .arg(outcome.failures.size())
                              .arg(outcome.failures.first()));
    failed.unit = ending.unit;
    failed.test = ending.test;
    failed.sequence = ending.sequence;
    // Raised on the exporter's own thread, like every other event of the program.
    QMetaObject::invokeMethod(
        this,
        [this, failed] {
            if (next_) next_->raise(failed);
            --pending_;
        },
        Qt::QueuedConnection);
}

bool AutoExporter::waitUntilDone(int timeout_ms) const {
    QDeadlineTimer deadline(timeout_ms);
    while (pending_.load() > 0 && !deadline.hasExpired()) {
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return pending_.load() == 0;
}
