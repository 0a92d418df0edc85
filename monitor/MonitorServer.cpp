#include "monitor/MonitorServer.h"

#include "analysis/ChartSession.h"
#include "monitor/MonitorData.h"
#include "monitor/MonitorDownloads.h"
#include "monitor/MonitorPages.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadStorage>
#include <QUrlQuery>
#include <QtConcurrent/QtConcurrentRun>

namespace monitor {

namespace {

constexpr int kChartCacheSize = 64;

// The worker thread's own connection to the database, opened for reading only. Kept in QThreadStorage, not
// thread_local: Qt deletes it as the thread finishes, before the pool's wait for the thread returns, so no
// connection is still being closed on a pool thread while the program goes on (or exits) after the server.
struct HeldConnection {
    const void* owner = nullptr;
    std::unique_ptr<clsConnection> connection;
};

clsConnection& workerConnection(const store::DatabaseLocation& location, const void* owner) {
    static QThreadStorage<HeldConnection*> storage;
    if (!storage.hasLocalData()) storage.setLocalData(new HeldConnection);
    HeldConnection& held = *storage.localData();
    if (held.owner != owner || !held.connection || !held.connection->IsOpen()) {
        held.connection = std::make_unique<clsConnection>();
        held.connection->setLocation(location, true);
        held.connection->OpenDB();
        held.owner = owner;
        if (!held.connection->IsOpen() && !held.connection->isLost())
            throw StoreError(StoreError::kNotOpen, held.connection->LastError());
    }
    return *held.connection;
}

MonitorServer::Answer page(int status, const QByteArray& body) {
    MonitorServer::Answer answer;
    answer.status = status;
    answer.body = body;
    return answer;
}

MonitorServer::Answer json(const QJsonObject& object) {
    MonitorServer::Answer answer;
    answer.contentType = "application/json";
    answer.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return answer;
}

MonitorServer::Answer notFound(bool api, const QString& what) {
    if (api) {
        MonitorServer::Answer answer = json(QJsonObject{{"error", what}});
        answer.status = 404;
        return answer;
    }
    return page(404, pages::message(QStringLiteral("Not found"), what));
}

MonitorServer::Answer badRequest(bool api, const QString& what) {
    MonitorServer::Answer answer = api ? json(QJsonObject{{"error", what}})
                                       : page(400, pages::message(QStringLiteral("Bad request"), what));
    answer.status = 400;
    return answer;
}

const QString kNoSuchTest = QStringLiteral("No test of that name is stored.");

// The path's segments, each decoded once: "%2F" inside a segment stays part of the name.
QStringList segmentsOf(const QUrl& url) {
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    QStringList segments;
    for (const QByteArray& part : path.split('/'))
        if (!part.isEmpty()) segments << QString::fromUtf8(QByteArray::fromPercentEncoding(part));
    return segments;
}

}  // namespace

struct MonitorServer::Request {
    QStringList segments;
    QUrlQuery query;
    QString key;  // path and query as sent: identical requests share one answer

    bool has(const char* name) const { return query.hasQueryItem(QLatin1String(name)); }
    QString value(const char* name) const {
        return query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
    }
};

struct MonitorServer::Pending {
    struct Waiting {
        QPointer<QTcpSocket> socket;
        std::unique_ptr<QHttpServerResponder> responder;
        bool close = false;  // the client asked to close the connection after its answer
    };
    std::vector<Waiting> waiting;
};

namespace {

bool wantsClose(const QHttpServerRequest& request) {
    return request.value("Connection").trimmed().toLower() == "close";
}

// The server keeps connections open; a client that asked otherwise gets its connection closed once the
// answer has gone out.
void closeIfAsked(QTcpSocket* socket, bool close) {
    if (close && socket) socket->disconnectFromHost();
}

}  // namespace

MonitorServer::MonitorServer(ServerOptions options, QObject* parent)
    : QAbstractHttpServer(parent), options_(std::move(options)), access_(options_.token) {
    chartClock_.start();
    statusPool_.setMaxThreadCount(1);
    testPool_.setMaxThreadCount(2);
    // Connections close with their threads; threads that wait for work keep theirs.
    statusPool_.setExpiryTimeout(-1);
    testPool_.setExpiryTimeout(-1);
}

MonitorServer::~MonitorServer() {
    statusPool_.waitForDone();
    testPool_.waitForDone();
}

bool MonitorServer::start(QString* problem) {
    if (!options_.listen.isLoopback() && options_.token.isEmpty()) {
        if (problem)
            *problem = QStringLiteral("Listening on %1, beyond this machine, needs --token-file FILE.")
                           .arg(options_.listen.text());
        return false;
    }
    auto* tcp = new GuardedTcpServer(options_.limits, options_.log, this);
    if (!tcp->listen(options_.listen.address, options_.listen.port)) {
        if (problem)
            *problem =
                QStringLiteral("%1 cannot be used: %2").arg(options_.listen.text(), tcp->errorString());
        delete tcp;
        return false;
    }
    port_ = tcp->serverPort();
    bind(tcp);
    return true;
}

void MonitorServer::send(QHttpServerResponder& responder, const Answer& answer) const {
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
    responder.writeHeader("Content-Type", answer.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader(
        "Content-Security-Policy",
        "default-src 'none'; img-src 'self'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
        "connect-src 'self'; form-action 'self'; frame-ancestors 'none'");
    for (const auto& [name, value] : answer.headers) responder.writeHeader(name, value);
    responder.writeBody(answer.body);
}

void MonitorServer::answerNow(const QHttpServerRequest& request, QTcpSocket* socket, Answer answer) {
    QHttpServerResponder responder = makeResponder(request, socket);
    if (request.method() == QHttpServerRequest::Method::Head) answer.body.clear();
    send(responder, answer);
    closeIfAsked(socket, wantsClose(request));
}

void MonitorServer::answerLater(const QHttpServerRequest& request, QTcpSocket* socket, const QString& key,
                                QThreadPool& pool, std::function<Answer()> work) {
    auto responder = std::make_unique<QHttpServerResponder>(makeResponder(request, socket));
    const QString fullKey = QString::number(int(request.method())) + u' ' + key;
    if (const auto found = pending_.find(fullKey); found != pending_.end()) {
        found.value()->waiting.push_back({socket, std::move(responder), wantsClose(request)});
        return;
    }
    auto pending = std::make_shared<Pending>();
    pending->waiting.push_back({socket, std::move(responder), wantsClose(request)});
    pending_.insert(fullKey, pending);
    const bool head = request.method() == QHttpServerRequest::Method::Head;
    const ServerLog log = options_.log;
    QtConcurrent::run(&pool, [work = std::move(work), log]() {
        try {
            return work();
        } catch (const std::exception& error) {
            const QString reason = StoreError::describe(error);
            if (log) log(QStringLiteral("a request failed: ") + reason);
            return page(503, pages::message(QStringLiteral("The database cannot be read now"), reason));
        }
    }).then(this, [this, fullKey, head](Answer answer) {
        const std::shared_ptr<Pending> pending = pending_.take(fullKey);
        if (head) answer.body.clear();
        for (Pending::Waiting& each : pending->waiting) {
            if (!each.socket) continue;
            send(*each.responder, answer);
            closeIfAsked(each.socket, each.close);
        }
    });
}

bool MonitorServer::handleRequest(const QHttpServerRequest& raw, QTcpSocket* socket) {
    GuardedTcpServer::requestComplete(socket);
    Request request;
    request.segments = segmentsOf(raw.url());
    request.query = raw.query();
    request.key = raw.url().path(QUrl::FullyEncoded) + u'?' + raw.url().query(QUrl::FullyEncoded);
    const bool post = raw.method() == QHttpServerRequest::Method::Post;
    const bool get =
        raw.method() == QHttpServerRequest::Method::Get || raw.method() == QHttpServerRequest::Method::Head;
    if (post && request.segments == QStringList{QStringLiteral("login")}) {
        answerNow(raw, socket, loginAnswer(raw));
        return true;
    }
    if (!access_.admits(raw.value("Authorization"), raw.value("Cookie"))) {
        Answer answer = page(401, pages::login(false));
        answer.headers.push_back({"WWW-Authenticate", "Bearer realm=\"r7716\""});
        answerNow(raw, socket, answer);
        return true;
    }
    if (!get) {
        Answer answer =
            page(405, pages::message(QStringLiteral("Read-only"),
                                     QStringLiteral("The lab monitor only shows; it changes nothing.")));
        answer.headers.push_back({"Allow", "GET, HEAD"});
        answerNow(raw, socket, answer);
        return true;
    }
    route(request, raw, socket);
    return true;
}

void MonitorServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    GuardedTcpServer::requestComplete(socket);
    answerNow(request, socket, notFound(false, QStringLiteral("There is no such page.")));
}

MonitorServer::Answer MonitorServer::loginAnswer(const QHttpServerRequest& raw) const {
    const QUrlQuery form(QString::fromUtf8(raw.body().left(4096)));
    const QByteArray offered = form.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8();
    if (!access_.required()) {
        Answer answer = page(303, {});
        answer.headers.push_back({"Location", "/"});
        return answer;
    }
    if (!access_.tokenMatches(offered)) return page(401, pages::login(true));
    Answer answer = page(303, {});
    answer.headers.push_back({"Location", "/"});
    answer.headers.push_back(
        {"Set-Cookie", kCookieName + '=' + access_.cookieValue() + "; Path=/; HttpOnly; SameSite=Strict"});
    return answer;
}

void MonitorServer::route(const Request& request, const QHttpServerRequest& raw, QTcpSocket* socket) {
    const QStringList& s = request.segments;
    const store::DatabaseLocation location = options_.database;
    const void* owner = this;
    if (s.isEmpty()) {
        const bool tilesOnly = request.has("tiles");
        answerLater(raw, socket, request.key, statusPool_, [=] {
            const QDateTime now = QDateTime::currentDateTimeUtc();
            return page(200, pages::board(readUnits(workerConnection(location, owner), now), tilesOnly));
        });
        return;
    }
    const bool api = s[0] == QLatin1String("api");
    const QStringList rest = api ? s.mid(1) : s;
    if (rest.isEmpty())
        return answerNow(raw, socket, notFound(api, QStringLiteral("There is no such page.")));
    if (api && rest == QStringList{QStringLiteral("units")}) {
        answerLater(raw, socket, request.key, statusPool_, [=] {
            const QDateTime now = QDateTime::currentDateTimeUtc();
            return json(unitsJson(readUnits(workerConnection(location, owner), now), now));
        });
        return;
    }
    if (rest[0] == QLatin1String("tests") && rest.size() == 1 && !request.has("name")) {
        const QString search = request.value("q");
        answerLater(raw, socket, request.key, statusPool_, [=] {
            const QList<TestEntry> tests = readTests(workerConnection(location, owner), search);
            return api ? json(testsJson(tests)) : page(200, pages::testList(tests, search));
        });
        return;
    }
    // A test by its path segment, or by ?name= (names a browser would resolve as "." or "..").
    if (rest[0] == QLatin1String("tests") && rest.size() >= 2)
        return routeTest(request, rest[1], rest.mid(2), api, raw, socket);
    if ((rest[0] == QLatin1String("test") || rest[0] == QLatin1String("tests")) && request.has("name"))
        return routeTest(request, request.value("name"), rest.mid(1), api, raw, socket);
    answerNow(raw, socket, notFound(api, QStringLiteral("There is no such page.")));
}

void MonitorServer::routeTest(const Request& request, const QString& name, const QStringList& rest, bool api,
                              const QHttpServerRequest& raw, QTcpSocket* socket) {
    UnitSystem units = options_.unitSystem;
    if (request.has("units")) {
        const std::optional<UnitSystem> chosen = unitSystemFromName(request.value("units"));
        if (!chosen)
            return answerNow(raw, socket, badRequest(api, QStringLiteral("units is cgs, ei or si.")));
        units = *chosen;
    }
    const store::DatabaseLocation location = options_.database;
    const void* owner = this;
    TestCache& cache = tests_;
    const auto open = [=, &cache] { return cache.get(workerConnection(location, owner), name, units); };
    if (api && rest.isEmpty()) {
        return answerLater(raw, socket, request.key, testPool_, [=] {
            const std::shared_ptr<const OpenedTest> test = open();
            return test ? json(testJson(*test)) : notFound(true, kNoSuchTest);
        });
    }
    if (api && rest == QStringList{QStringLiteral("readings")}) {
        std::optional<double> since;
        if (request.has("since")) {
            bool ok = false;
            since = request.value("since").toDouble(&ok);
            if (!ok)
                return answerNow(raw, socket,
                                 badRequest(true, QStringLiteral("since is a RESULT_TIME in s.")));
        }
        return answerLater(raw, socket, request.key, testPool_, [=] {
            const std::shared_ptr<const OpenedTest> test = open();
            return test ? json(readingsJson(*test, since)) : notFound(true, kNoSuchTest);
        });
    }
    if (api) return answerNow(raw, socket, notFound(true, QStringLiteral("There is no such page.")));
    if (rest == QStringList{QStringLiteral("chart.png")}) return chart(request, name, units, raw, socket);
    if (rest.size() == 2 && rest[0] == QLatin1String("download")) {
        const std::optional<DownloadKind> kind = downloadKindFromName(rest[1]);
        if (!kind)
            return answerNow(raw, socket, notFound(false, QStringLiteral("There is no such download.")));
        const QString scratch = scratch_.path();
        return answerLater(raw, socket, request.key, testPool_, [=]() -> Answer {
            const std::shared_ptr<const OpenedTest> test = open();
            if (!test) return notFound(false, kNoSuchTest);
            Download file = makeDownload(workerConnection(location, owner), *test, *kind, scratch);
            if (!file.problem.isEmpty())
                return page(500, pages::message(QStringLiteral("The file could not be made"), file.problem));
            Answer answer;
            answer.contentType = file.contentType;
            answer.body = std::move(file.bytes);
            answer.headers.push_back({"Content-Disposition", file.disposition});
            return answer;
        });
    }
    if (!rest.isEmpty())
        return answerNow(raw, socket, notFound(false, QStringLiteral("There is no such page.")));
    pages::ChartChoice choice;
    choice.type = std::clamp(request.value("type").toInt(), 0, 5);
    choice.xlog = request.has("xlog");
    choice.ylog = request.has("ylog");
    const bool liveOnly = request.has("live");
    answerLater(raw, socket, request.key, testPool_, [=]() -> Answer {
        clsConnection& connection = workerConnection(location, owner);
        const std::shared_ptr<const OpenedTest> test = open();
        if (!test) return notFound(false, kNoSuchTest);
        std::optional<UnitTile> recording;
        for (const UnitTile& unit : readUnits(connection, QDateTime::currentDateTimeUtc()))
            if (!recording && !unit.stale && unit.status.testName == test->name) recording = unit;
        Answer answer = page(200, pages::testPage(*test, units, choice, recording, liveOnly));
        answer.headers.push_back({"X-Version", QByteArray::number(qint64(test->readings.size()))});
        return answer;
    });
}

QByteArray MonitorServer::cachedChart(const QString& chart, const QString& readings) {
    std::lock_guard lock(chartsMutex_);
    const auto found = charts_.constFind(chart);
    if (found == charts_.constEnd()) return {};
    // A running test's chart is drawn again at most every few seconds, however often readings come.
    const bool recent = chartClock_.elapsed() - found->drawn_ms < kLiveChartInterval_ms;
    return found->readings == readings || recent ? found->png : QByteArray();
}

void MonitorServer::keepChart(const QString& chart, const QString& readings, const QByteArray& png) {
    std::lock_guard lock(chartsMutex_);
    if (!charts_.contains(chart)) chartOrder_.append(chart);
    charts_.insert(chart, {readings, png, chartClock_.elapsed()});
    if (chartOrder_.size() > kChartCacheSize) charts_.remove(chartOrder_.takeFirst());
}

void MonitorServer::chart(const Request& request, const QString& name, UnitSystem units,
                          const QHttpServerRequest& raw, QTcpSocket* socket) {
    const int type = std::clamp(request.value("type").toInt(), 0, 5);
    const bool xlog = request.has("xlog");
    const bool ylog = request.has("ylog");
    const store::DatabaseLocation location = options_.database;
    const void* owner = this;
    // The chart is drawn on this thread, after the test is read on a worker.
    struct Drawn {
        std::shared_ptr<ChartSession> session;
        QByteArray png;       // drawn before, from the cache
        QString cacheKey;     // the test and the chart chosen
        QString readingsKey;  // the readings it holds
        bool found = false;
    };
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(raw, socket));
    QPointer<QTcpSocket> alive(socket);
    const bool close = wantsClose(raw);
    const bool head = raw.method() == QHttpServerRequest::Method::Head;
    const ServerLog log = options_.log;
    TestCache& cache = tests_;
    QtConcurrent::run(&testPool_, [=, this, &cache]() {
        Drawn drawn;
        try {
            const std::shared_ptr<const OpenedTest> test =
                cache.get(workerConnection(location, owner), name, units);
            if (!test) return drawn;
            drawn.found = true;
            drawn.cacheKey = QStringLiteral("%1|%2|%3|%4|%5")
                                 .arg(test->testId)
                                 .arg(type)
                                 .arg(xlog)
                                 .arg(ylog)
                                 .arg(int(units));
            drawn.readingsKey = QStringLiteral("%1|%2")
                                    .arg(test->readings.size())
                                    .arg(test->readings.empty() ? 0.0 : test->readings.back().time_s);
            drawn.png = cachedChart(drawn.cacheKey, drawn.readingsKey);
            if (!drawn.png.isEmpty()) return drawn;
            drawn.session = std::make_shared<ChartSession>();
            ChartSession& session = *drawn.session;
            // As r7716-cli chart builds it: the test opened, then the type and the scales chosen.
            session.showOpenedTest(*test, units);
            if (session.chooseType(type) == ChartSession::Next::ReOpen) session.redrawDefault();
            session.setXScale(xlog ? AxisScale::Log : AxisScale::Linear);
            session.setYScale(ylog ? AxisScale::Log : AxisScale::Linear);
        } catch (const std::exception& error) {
            if (log) log(QStringLiteral("a chart could not be read: ") + StoreError::describe(error));
            drawn.session.reset();
            drawn.found = true;
        }
        return drawn;
    }).then(this, [=, this](Drawn drawn) {
        if (!alive) return;
        Answer answer;
        if (!drawn.found) {
            answer = notFound(false, kNoSuchTest);
        } else if (!drawn.session && drawn.png.isEmpty()) {
            answer = page(503, pages::message(QStringLiteral("The database cannot be read now"), {}));
        } else {
            // Requests that came together draw it once: the first one here keeps it for the others.
            QByteArray png = drawn.png.isEmpty() ? cachedChart(drawn.cacheKey, drawn.readingsKey) : drawn.png;
            QString problem;
            if (png.isEmpty() && options_.paintChart) {
                png = options_.paintChart(*drawn.session, &problem);
                if (!png.isEmpty()) keepChart(drawn.cacheKey, drawn.readingsKey, png);
            }
            answer.contentType = "image/png";
            answer.body = png;
            if (png.isEmpty())
                answer = page(500, pages::message(QStringLiteral("The chart could not be drawn"), problem));
        }
        if (head) answer.body.clear();
        send(*responder, answer);
        closeIfAsked(alive, close);
    });
}

}  // namespace monitor
