#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace store {

// The two engines the store runs on: the embedded file (the default) and a lab-wide server.
enum class Engine { Sqlite, Postgres };

// Where the data lives: a database file, or a PostgreSQL database named the way libpq names one. Without
// any configuration it is "R7716.mdb" in the working directory, as it always was.
struct DatabaseLocation {
    // The optional file in the working directory that names the lab's server.
    static constexpr const char* kConfigFileName = "database.txt";
    static constexpr const char* kDefaultFileName = "R7716.mdb";
    // Applied unless the text sets them: a server that does not answer is given up after a few seconds,
    // and a connection whose peer vanished (a pulled cable drops no packet back) is noticed, instead of
    // freezing a window for the minutes the operating system would wait.
    static constexpr const char* kConnectTimeout_s = "5";
    static constexpr const char* kTcpUserTimeout_ms = "5000";
    static constexpr const char* kKeepalivesIdle_s = "10";
    static constexpr const char* kKeepalivesInterval_s = "5";
    static constexpr const char* kKeepalivesCount = "3";
    static constexpr const char* kApplicationName = "r7716";

    Engine engine = Engine::Sqlite;
    // Sqlite: the absolute path of the file.
    QString filePath;
    // Postgres: libpq keywords and values, the defaults above included; never a password.
    QList<std::pair<QString, QString>> parameters;
    // The location as it was written (a path or the URI), to name it to the operator.
    QString text;

    // "R7716.mdb" in the working directory, or the server that "database.txt" there names. Raises
    // StoreError (kBadLocation) for a file that cannot be read or names no PostgreSQL database.
    static DatabaseLocation fromWorkingDirectory();
    // A path to a database file, a PostgreSQL URI ("postgresql://user@host:port/dbname?key=value") or a
    // libpq keyword list ("host=/run/postgresql dbname=rheology"). Raises StoreError (kBadLocation) for
    // a malformed one and for one that carries a password: passwords belong in ~/.pgpass (or the file
    // PGPASSFILE names), where libpq finds them.
    static DatabaseLocation parse(const QString& text);
    // A file named by its path, relative to the working directory.
    static DatabaseLocation file(const QString& path);

    // The value of a libpq keyword, empty when not set.
    QString parameter(const QString& keyword) const;
    // The libpq connection string: keyword='value' pairs separated by blanks.
    QString connectionString() const;
    // What the operator reads to know which database is open: the file's path or the URI as written.
    QString displayName() const;
};

}  // namespace store
