#pragma once

#include "store/clsConnection.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// A fresh working directory with "R7716.mdb" created and opened through the real connection.
class StoreFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
        messenger.shown.clear();
    }

    // Runs SQL directly on the file, as another program would; returns the first column of the first row.
    QVariant sql(const QString& statement, const QVariantList& values = {}) {
        QSqlQuery query(connection.ADOConnection());
        EXPECT_TRUE(query.prepare(statement)) << query.lastError().text().toStdString();
        for (const QVariant& value : values) query.addBindValue(value);
        EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString() << " in "
                                  << statement.toStdString();
        return query.next() ? query.value(0) : QVariant();
    }
    int count(const QString& table, const QString& where = QStringLiteral("1")) {
        return sql(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(table, where)).toInt();
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
};
