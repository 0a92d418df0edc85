#pragma once

#include "analysis/OpenTest.h"
#include "store/NewTest.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QLocale>

#include <gtest/gtest.h>

// A database in a fresh working directory and the test most report tests read: two additives, ramp 1
// Newtonian (n' = 1, K' = 1), ramp 2 without shear ramp, ramp 3 the worked ramp (n' = log10 5, K' = 2);
// bob radius 1.7245 cm.
class ReportsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
    }

    // A fixed locale, so that the date texts do not depend on the machine.
    static QLocale locale() { return QLocale(QLocale::English, QLocale::UnitedKingdom); }

    static std::vector<Reading> sampleReadings() {
        using namespace stored_test;
        std::vector<Reading> rows{ordinary(1, 0),
                                  rampPoint(1, 1, 60, 10, 10),
                                  rampPoint(1, 2, 90, 100, 100),
                                  rampPoint(1, 3, 120, 1000, 1000),
                                  ordinary(2, 1800, 200),
                                  ordinary(2, 2400, 210)};
        append(rows, workedRamp(3, 3600));
        return rows;
    }

    double store(const QString& name, const std::vector<Reading>& readings,
                 const QList<NewAdditive>& additives = {}) {
        clsTEST_INFO info;
        info.ConnectX(connection);
        info.SetDefaults();
        info.setTEST_NAME(name);
        info.setFluid_ID(QStringLiteral("Guar 40"));
        info.setTEST_TIME(QDateTime(QDate(2008, 3, 5), QTime(14, 30, 0)));
        info.setRESEARCHER_NAME(QStringLiteral("Tester"));
        info.setBOB_RADIUS(1.7245);
        info.setSAFETY(QStringLiteral("Crosslinked gel, 250 F"));
        return StoreNewTest(connection, info, additives, readings);
    }

    double storeSample(const QString& name = QStringLiteral("Sample")) {
        return store(
            name, sampleReadings(),
            {{QStringLiteral("Guar"), 2.5, QStringLiteral("lb"), QStringLiteral("A1")},
             {QStringLiteral("Borate XL"), 0.75, QStringLiteral("gal/Mgal"), QStringLiteral("B-7")}});
    }

    OpenedTest open(const QString& name) {
        return OpenStoredTest(connection, name, ChartDataOption::All, UnitSystem::CGS);
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
};
