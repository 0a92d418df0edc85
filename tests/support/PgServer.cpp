#include "support/PgServer.h"

#include "store/DatabaseLocation.h"
#include "store/SqlDialect.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <cstdio>
#include <memory>
#include <optional>

namespace pg_test {

namespace {

constexpr int kNoServerStatus = 3;  // scripts/pg-cluster.sh: no server installed

// Runs scripts/pg-cluster.sh; returns its exit status, its output in output.
int clusterScript(const QStringList& arguments, QString* output = nullptr) {
    QProcess script;
    script.start(QStringLiteral("bash"),
                 QStringList{QStringLiteral(R7716_SOURCE_DIR "/scripts/pg-cluster.sh")} + arguments);
    if (!script.waitForFinished(120000)) return -1;
    const int status = script.exitStatus() == QProcess::NormalExit ? script.exitCode() : -1;
    if (output)
        *output =
            QString::fromUtf8(status == 0 ? script.readAllStandardOutput() : script.readAllStandardError())
                .trimmed();
    return status;
}

// "postgresql:///DATABASE?host=..." on the server of clusterUri.
QString uriOf(const QString& clusterUri, const QString& database) {
    const store::DatabaseLocation cluster = store::DatabaseLocation::parse(clusterUri);
    QString uri = QStringLiteral("postgresql:///%1?host=%2&user=%3")
                      .arg(database, cluster.parameter(QStringLiteral("host")),
                           cluster.parameter(QStringLiteral("user")));
    if (const QString port = cluster.parameter(QStringLiteral("port")); !port.isEmpty())
        uri += QStringLiteral("&port=") + port;
    return uri;
}

// The cluster of a test binary run without scripts/test.sh, removed when the binary ends.
struct OwnCluster {
    QString uri;
    QString problem;
    std::unique_ptr<Cluster> cluster;
};

const OwnCluster& ownCluster() {
    static const OwnCluster own = [] {
        OwnCluster made;
        made.cluster = std::make_unique<Cluster>();
        made.uri = made.cluster->uri();
        made.problem = made.cluster->error();
        return made;
    }();
    return own;
}

}  // namespace

bool exec(const QString& uri, const QString& statement) {
    const QString name = QStringLiteral("pg-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        store::dialect::configure(db, store::DatabaseLocation::parse(uri), store::dialect::Access::ReadWrite,
                                  0);
        QSqlQuery query(db);
        ok = db.open() && query.exec(statement);
        if (!ok)
            std::fprintf(stderr, "PostgreSQL statement failed: %s: %s\n", qPrintable(statement),
                         qPrintable(db.isOpen() ? query.lastError().text() : db.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

namespace {

// The run's cluster as the CTest fixture left it in its state file: its URI, empty when no server is
// installed; nothing without a state file (a test binary run by hand).
std::optional<QString> fixtureUri() {
    const QString path = qEnvironmentVariable(kStateVariable);
    if (path.isEmpty()) return std::nullopt;
    QFile state(path);
    if (!state.open(QIODevice::ReadOnly)) return std::nullopt;
    for (const QByteArray& line : state.readAll().split('\n'))
        if (line.startsWith("uri=")) return QString::fromUtf8(line.mid(4)).trimmed();
    return std::nullopt;
}

}  // namespace

QString clusterUri() {
    const QString given = qEnvironmentVariable(kUriVariable);
    if (!given.isEmpty()) return given;
    if (const std::optional<QString> fixture = fixtureUri()) return *fixture;
    return ownCluster().uri;
}

QString unavailableReason() {
    if (!clusterUri().isEmpty()) return {};
    if (fixtureUri()) return QStringLiteral("");  // the fixture found no server installed
    return ownCluster().problem.isNull() ? QStringLiteral("") : ownCluster().problem;
}

TestDatabase::TestDatabase()
    : name_(QStringLiteral("r7716_test_%1_%2")
                .arg(QCoreApplication::applicationPid())
                .arg(QRandomGenerator::global()->generate())) {
    const QString cluster = clusterUri();
    if (cluster.isEmpty()) return;
    exec(cluster, QStringLiteral("CREATE DATABASE %1").arg(name_));
    uri_ = uriOf(cluster, name_);
}

TestDatabase::~TestDatabase() {
    const QString cluster = clusterUri();
    if (!cluster.isEmpty() && !uri_.isEmpty())
        exec(cluster, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name_));
}

Cluster::Cluster() {
    QString output;
    dir_.setAutoRemove(false);  // the script removes it with the cluster
    const int status =
        clusterScript({QStringLiteral("start"), dir_.path(), QStringLiteral("--fast")}, &output);
    if (status == 0)
        uri_ = output.section(u'\n', -1).trimmed();
    else if (status != kNoServerStatus)
        error_ = QStringLiteral("The PostgreSQL test cluster did not start: ") + output;
}

Cluster::~Cluster() {
    clusterScript({QStringLiteral("remove"), dir_.path()});
}

QString Cluster::databaseUri(const QString& database) const {
    return uriOf(uri_, database);
}

void Cluster::createDatabase(const QString& database) {
    exec(uri_, QStringLiteral("CREATE DATABASE %1").arg(database));
}

bool Cluster::stop() {
    return clusterScript({QStringLiteral("stop"), dir_.path()}) == 0;
}

bool Cluster::start() {
    return clusterScript({QStringLiteral("start"), dir_.path(), QStringLiteral("--fast")}) == 0;
}

}  // namespace pg_test
