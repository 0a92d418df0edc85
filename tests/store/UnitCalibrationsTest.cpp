// The units' stored calibrations on each engine: the one in effect at a time, and copy-db copying the rows
// the target lacks.
#include "StoreFixture.h"
#include "store/DatabaseCopy.h"
#include "store/UnitCalibrations.h"

namespace {

class UnitCalibrations : public EngineStore {};

TEST_P(UnitCalibrations, TheLastSentCalibrationAtOrBeforeATimeIsInEffectAndCopiesAreNotRepeated) {
    using store::unit_calibration::inEffect;
    const QDateTime t0(QDate(2026, 3, 2), QTime(9, 0, 0));
    const CalibrationRecord sent{.station = "lab-pc-2",
                                 .unit = 3,
                                 .time = t0,
                                 .bob = "XB5",
                                 .fluidViscosity_cP = 50,
                                 .c0 = -0.25,
                                 .c1 = 2.5,
                                 .zeroStressVoltage = 0.05,
                                 .quality = 0.99987,
                                 .lineR2 = 0.9991,
                                 .points = 17,
                                 .sent = true};
    CalibrationRecord refused = sent;  // later, but it never reached the unit
    refused.time = t0.addSecs(3600);
    refused.sent = false;
    refused.remark = "the line does not rise";
    CalibrationRecord later = sent;
    later.time = t0.addDays(2);
    CalibrationRecord otherUnit = sent;
    otherUnit.unit = 4;
    otherUnit.time = t0.addDays(1);
    for (const CalibrationRecord& r : {sent, refused, later, otherUnit})
        store::unit_calibration::add(connection, r);

    const struct {
        QDateTime at;
        QDateTime expected;  // invalid: none in effect
    } cases[] = {{t0.addSecs(-1), {}},
                 {t0, t0},
                 {t0.addSecs(7200), t0},
                 {t0.addDays(1), t0},
                 {t0.addDays(3), later.time}};
    for (const auto& c : cases) {
        const std::optional<CalibrationRecord> found = inEffect(connection, "lab-pc-2", 3, c.at);
        EXPECT_EQ(found ? found->time : QDateTime(), c.expected) << c.at.toString().toStdString();
    }
    EXPECT_EQ(inEffect(connection, "lab-pc-2", 3, t0), sent) << "every column comes back as stored";
    EXPECT_FALSE(inEffect(connection, "lab-pc-9", 3, t0.addDays(9))) << "another station's unit 3";

    clsConnection copy;
    copy.setLocation(store::DatabaseLocation::file("copy.mdb"));
    copy.OpenDB();
    ASSERT_TRUE(copy.IsOpen());
    store::unit_calibration::add(copy, later);  // held already
    EXPECT_EQ(store::CopyDatabase(connection, copy, [](const store::CopyStep&) {}).calibrationsCopied, 3);
    EXPECT_EQ(store::CopyDatabase(connection, copy, [](const store::CopyStep&) {}).calibrationsCopied, 0);
    EXPECT_EQ(store::unit_calibration::all(copy).size(), 4u);
    EXPECT_EQ(inEffect(copy, "lab-pc-2", 3, t0.addSecs(7200)), sent);
}

INSTANTIATE_ON_BOTH_ENGINES(UnitCalibrations);

}  // namespace
