#pragma once

#include "instrument/UnitStatusWriter.h"

#include <QObject>

class QTimer;
class clsConnection;
class frmMDIRealTime;

// Hands the status of every unit window of the real-time host to the status writer once a second, outside
// the windows' ticks; the writer stores each at most every few seconds on its own thread. A unit whose
// window closed loses its status row.
class UnitStatusFeed : public QObject {
    Q_OBJECT

  public:
    static constexpr int kFeedInterval_ms = 1000;
    static inline const QString kProgram = QStringLiteral("r7716");

    // A child of the host; the writer reaches the host's database on a connection of its own.
    UnitStatusFeed(frmMDIRealTime& host, const clsConnection& connection);

    // Offers every open unit window's status now.
    void feed();
    UnitStatusWriter& writer() { return writer_; }

  private:
    frmMDIRealTime& host_;
    UnitStatusWriter writer_;
    QTimer* timer_;
};
