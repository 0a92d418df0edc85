#pragma once

#include <QString>
#include <QTemporaryDir>

// PostgreSQL servers for the tests that run against the server engine. A CTest run starts one throwaway
// cluster for all of them (the fixture of tests/CMakeLists.txt, scripts/pg-fixture.sh) and names its state
// file in R7716_TEST_PG_STATE; R7716_TEST_PG_URI names a server to use instead. A test binary run by hand
// starts its own (scripts/pg-cluster.sh) the first time it needs one, and removes it when it ends.
namespace pg_test {

inline constexpr const char* kUriVariable = "R7716_TEST_PG_URI";
inline constexpr const char* kStateVariable = "R7716_TEST_PG_STATE";
inline constexpr const char* kNoServer =
    "PostgreSQL server programs (initdb, pg_ctl) are not installed, so the tests against the server "
    "engine are skipped: scripts/install-deps.sh installs them.";

// The URI of the run's cluster (its maintenance database); empty when there is none.
QString clusterUri();
// Why there is no cluster: null when there is one, empty when no server is installed (the tests then
// skip), else the reason it did not start (the tests then fail).
QString unavailableReason();

// Skips the test when no server is installed; fails it when one is but its cluster did not start.
#define REQUIRE_PG_SERVER()                                            \
    do {                                                               \
        const QString problem = pg_test::unavailableReason();          \
        if (!problem.isNull()) {                                       \
            if (problem.isEmpty()) GTEST_SKIP() << pg_test::kNoServer; \
            FAIL() << problem.toStdString();                           \
        }                                                              \
    } while (false)

// A fresh, empty database on the run's cluster, dropped with this object.
class TestDatabase {
  public:
    // Use REQUIRE_PG_SERVER() first: without a server there is no database.
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const QString& uri() const { return uri_; }
    const QString& name() const { return name_; }

  private:
    QString name_;
    QString uri_;
};

// A cluster of a test's own, which the test may stop and start again (a server restart).
class Cluster {
  public:
    // Creates and starts it; started() is false (with the reason in error()) when it could not.
    Cluster();
    ~Cluster();
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;

    bool started() const { return !uri_.isEmpty(); }
    QString error() const { return error_; }
    // Its maintenance database; stop() and start() keep the data.
    const QString& uri() const { return uri_; }
    // A URI of a database on it, made by createDatabase.
    QString databaseUri(const QString& database) const;
    void createDatabase(const QString& database);
    bool stop();
    bool start();

  private:
    QTemporaryDir dir_;
    QString uri_;
    QString error_;
};

// Runs one statement on the database of uri as its owner; false (with a warning) when it fails.
bool exec(const QString& uri, const QString& statement);

}  // namespace pg_test
