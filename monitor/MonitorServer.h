#pragma once

#include "common/UnitSystem.h"
#include "monitor/GuardedTcpServer.h"
#include "monitor/MonitorAccess.h"
#include "monitor/MonitorData.h"
#include "store/DatabaseLocation.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTemporaryDir>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>

class ChartSession;
class QTcpSocket;
class QHttpServerResponder;

// The lab monitor's web server: the units board, the stored tests, their charts and downloads, and the
// JSON API, read-only on one database. Requests are taken on the event loop; everything that reads the
// database runs on worker threads with connections of their own (the unit statuses on one, tests on two
// more), so a test page of a long test never holds up the board, and identical requests that arrive while
// one is being answered share its answer. Charts are drawn on the event loop's thread (the chart code is
// widget code) and kept per test, chart and number of readings.
namespace monitor {

// Draws a chart as a PNG image; empty (problem set) when it cannot be drawn. Runs on the event loop.
using ChartPainter = std::function<QByteArray(const ChartSession& chart, QString* problem)>;
// Where the server says what went wrong (a database that cannot be read); never a token.
using ServerLog = std::function<void(const QString& line)>;

struct ServerOptions {
    ListenAddress listen;
    QByteArray token;  // empty: no token (loopback only)
    store::DatabaseLocation database;
    UnitSystem unitSystem = UnitSystem::CGS;  // the station's, for results without ?units=
    ChartPainter paintChart;
    ServerLog log;
    ConnectionLimits limits;
};

class MonitorServer : public QAbstractHttpServer {
    Q_OBJECT

  public:
    // A token is required off loopback: start() refuses otherwise.
    explicit MonitorServer(ServerOptions options, QObject* parent = nullptr);
    ~MonitorServer() override;

    // Listens; false (problem says why) when the address cannot be used or needs a token.
    bool start(QString* problem);
    quint16 port() const { return port_; }

    // What one request is answered with.
    struct Answer {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
    };

  protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

  private:
    struct Request;
    struct Pending;
    void answerNow(const QHttpServerRequest& request, QTcpSocket* socket, Answer answer);
    // Runs work on a pool; every request with the same key waiting meanwhile gets the same answer.
    void answerLater(const QHttpServerRequest& request, QTcpSocket* socket, const QString& key,
                     QThreadPool& pool, std::function<Answer()> work);
    // Routes a request that may read.
    void route(const Request& request, const QHttpServerRequest& raw, QTcpSocket* socket);
    void routeTest(const Request& request, const QString& name, const QStringList& rest, bool api,
                   const QHttpServerRequest& raw, QTcpSocket* socket);
    // units: as the query chose them (checked by routeTest).
    void chart(const Request& request, const QString& name, UnitSystem units, const QHttpServerRequest& raw,
               QTcpSocket* socket);
    Answer loginAnswer(const QHttpServerRequest& raw) const;
    void send(QHttpServerResponder& responder, const Answer& answer) const;

    ServerOptions options_;
    Access access_;
    quint16 port_ = 0;
    QThreadPool statusPool_;
    QThreadPool testPool_;
    QHash<QString, std::shared_ptr<Pending>> pending_;
    TestCache tests_;
    // The chart images drawn, by test, chart and units, with the readings they hold (read by the workers
    // too). A running test's chart is drawn again at most every kLiveChartInterval_ms.
    static constexpr qint64 kLiveChartInterval_ms = 5000;
    struct DrawnChart {
        QString readings;
        QByteArray png;
        qint64 drawn_ms = 0;
    };
    QByteArray cachedChart(const QString& chart, const QString& readings);
    void keepChart(const QString& chart, const QString& readings, const QByteArray& png);
    std::mutex chartsMutex_;
    QElapsedTimer chartClock_;
    QHash<QString, DrawnChart> charts_;
    QList<QString> chartOrder_;
    QTemporaryDir scratch_;
};

}  // namespace monitor
