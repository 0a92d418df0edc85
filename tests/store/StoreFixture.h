#pragma once

#include "store/clsConnection.h"
#include "support/PgServer.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>
#include <string>

using store::Engine;

// A fresh working directory with a new, empty database opened through the real connection: "R7716.mdb"
// for the file engine, or a new database on the test server named in "database.txt" for the server
// engine. A suite runs on both when its fixture takes the engine as its parameter (EngineStore below).
class StoreFixture : public ::testing::Test {
  protected:
    virtual Engine engine() const = 0;

    void SetUp() override {
        if (engine() == Engine::Postgres) {
            REQUIRE_PG_SERVER();
            server.emplace();
            QFile config(dir.file("database.txt"));
            ASSERT_TRUE(config.open(QIODevice::WriteOnly));
            config.write(server->uri().toUtf8() + "\n");
        }
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
        messenger.shown.clear();
    }

    // Runs SQL directly on the database, as another program would; returns the first column of the first row.
    QVariant sql(const QString& statement, const QVariantList& values = {}) {
        QSqlQuery query(connection.ADOConnection());
        // A server prepares only queries and row changes; other statements run as they stand.
        bool ok = values.isEmpty() ? query.exec(statement) : query.prepare(statement);
        for (const QVariant& value : values) query.addBindValue(value);
        if (ok && !values.isEmpty()) ok = query.exec();
        EXPECT_TRUE(ok) << query.lastError().text().toStdString() << " in " << statement.toStdString();
        return query.next() ? query.value(0) : QVariant();
    }
    int count(const QString& table, const QString& where = QStringLiteral("1 = 1")) {
        return sql(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(table, where)).toInt();
    }
    // Makes the database refuse every deletion from the table, as a failing statement part-way.
    void refuseDeletesFrom(const QString& table) {
        if (engine() == Engine::Sqlite) {
            sql(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON %1 BEGIN SELECT RAISE(ABORT, "
                               "'refused'); END")
                    .arg(table));
            return;
        }
        sql("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
            "$$ BEGIN RAISE EXCEPTION 'refused'; END $$");
        sql(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON %1 FOR EACH ROW EXECUTE FUNCTION refuse()")
                .arg(table));
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    std::optional<pg_test::TestDatabase> server;  // dropped after the connection has closed
    clsConnection connection{&messenger};
};

// A store suite that runs on both engines.
class EngineStore : public StoreFixture, public ::testing::WithParamInterface<Engine> {
  protected:
    Engine engine() const override { return GetParam(); }
};

// A store suite about the file engine alone.
class SqliteStore : public StoreFixture {
  protected:
    Engine engine() const override { return Engine::Sqlite; }
};

// A store suite about the server engine alone.
class ServerStore : public StoreFixture {
  protected:
    Engine engine() const override { return Engine::Postgres; }
};

inline std::string engineName(Engine engine) {
    return engine == Engine::Sqlite ? "Sqlite" : "Postgres";
}

inline const auto kBothEngines = ::testing::Values(Engine::Sqlite, Engine::Postgres);

#define INSTANTIATE_ON_BOTH_ENGINES(Suite)                 \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, kBothEngines, \
                             [](const auto& info) { return engineName(info.param); })
