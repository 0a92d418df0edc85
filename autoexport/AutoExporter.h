#pragma once

#include "autoexport/AutoExportSettings.h"
#include "autoexport/ExportFiles.h"
#include "common/DiagnosticLog.h"
#include "notify/EventSink.h"
#include "store/DatabaseLocation.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>

class ExportWorker;

// The exports of autoexport.txt, made when a run ends. It stands between the run's events and the
// notifications: every event goes on to `next` as it came, and a test-ended, test-stopped or
// shut-down-low-viscosity event also hands the test to a thread of its own, which opens it on a
// connection of its own and writes the files (ExportTest), so that no tick ever waits for an export.
// A file that cannot be written is named in the diagnostic log beside the settings and raised as an
// export-failed event; the run is never touched by it.
class AutoExporter : public QObject, public EventSink {
    Q_OBJECT

  public:
    static constexpr const char* kLogWhere = "Automatic export";

    // dir: the folder of the settings (autoexport.txt, the diagnostic log). next: where every event goes
    // on (the notifications), or null. chart: draws the test report's chart.
    AutoExporter(const AutoExportSettings& settings, const store::DatabaseLocation& location,
                 UnitSystem units, const QString& dir, EventSink* next, autoexport::ChartPicture chart);
    // Waits for an export under way to finish; tests handed over but not begun are not exported (named in
    // the log).
    ~AutoExporter() override;

    // The exports configured beside the settings file at initialPath, or null when autoexport.txt asks for
    // none; the file's problems go to the diagnostic log.
    static std::unique_ptr<AutoExporter> beside(const QString& initialPath,
                                                const store::DatabaseLocation& location, UnitSystem units,
                                                EventSink* next, autoexport::ChartPicture chart);

    void raise(const NotifyEvent& event) override;

    // Exports handed over and not finished.
    int pending() const { return pending_.load(); }
    // Exports that left a file unwritten, since the start.
    int failedExports() const { return failed_.load(); }
    // Waits, handling the calling thread's events (the chart is drawn there), until no export is pending or
    // timeout_ms passed; true when none is.
    bool waitUntilDone(int timeout_ms) const;

    const AutoExportSettings& settings() const { return settings_; }

  private:
    friend class ExportWorker;
    // On the worker's thread, once the export of the run that `ending` ended is over.
    void finished(const NotifyEvent& ending, const autoexport::Outcome& outcome);

    AutoExportSettings settings_;
    DiagnosticLog log_;  // written by the worker's thread alone
    EventSink* next_;
    std::atomic<int> pending_{0};
    std::atomic<int> failed_{0};
    QThread thread_;
    ExportWorker* worker_ = nullptr;
};

namespace autoexport {
// The kinds of event that end a run and so start its exports.
bool EndsRun(EventKind kind);
}  // namespace autoexport
