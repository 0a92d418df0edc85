#pragma once

#include "sequence/SequenceStore.h"
#include "store/clsConnection.h"

#include "support/TempWorkDir.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>

// A fresh "R7716.mdb" in a temporary working directory, opened through the real connection, with a
// sequence store on it.
class SequenceTestDb : public testing::Test {
  protected:
    SequenceTestDb() {
        connection.OpenDB();
        EXPECT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
    }

    static StoredSequence sample(const QString& name) {
        StoredSequence s;
        s.name = name;
        s.settings = {30, 5, 4, 25, 150, 120};
        s.steps = {{30, 150, 5, 100, 1}, {60, 250, 10, 170, 0}, {45, 300.25, 10, 100, 1}};
        s.shearRates_1ps = {170, 128, 85, 42};
        return s;
    }

    // Makes every later insert of shear rates fail, as a full disk or a lost file would.
    void breakShearRateInserts() {
        QSqlQuery q(connection.ADOConnection());
        ASSERT_TRUE(
            q.exec("CREATE TRIGGER fail_rates BEFORE INSERT ON SEQUENCE_RAMP_DEFINE "
                   "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"))
            << q.lastError().text().toStdString();
    }

    TempWorkDir dir;
    clsConnection connection;
    SequenceStore store{connection};
};
