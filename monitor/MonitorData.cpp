#include "monitor/MonitorData.h"

#include "analysis/RampFit.h"
#include "store/TestStamp.h"
#include "store/clsTEST_INFO.h"

#include <QJsonArray>

#include <cmath>

namespace monitor {

namespace {

// A number for JSON: NaN and infinities have no JSON form and become null.
QJsonValue number(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

const char* fitStateName(const RampFit& fit) {
    switch (fit.State) {
        case FitState::Valid:
            return "valid";
        case FitState::OutsideWindow:
            return "outside-window";
        case FitState::NoGeometry:
            return "no-geometry";
    }
    return "outside-window";
}

}  // namespace

QList<UnitTile> readUnits(clsConnection& connection, const QDateTime& now) {
    QList<UnitTile> tiles;
    for (const store::UnitStatusRow& row : store::unit_status::all(connection)) {
        UnitTile& tile = tiles.emplaceBack();
        tile.status = row;
        tile.age_s = row.time.isValid() ? std::max<qint64>(0, row.time.secsTo(now)) : 0;
        tile.stale = !row.time.isValid() || row.time.secsTo(now) > kStaleAfter_s;
    }
    return tiles;
}

QString timeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QList<TestEntry> readTests(clsConnection& connection, const QString& search) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    const RecordTable list = info.UsedName();
    const int name = list.columnIndex(QStringLiteral("TEST_NAME"));
    const int time = list.columnIndex(QStringLiteral("TEST_TIME"));
    const int researcher = list.columnIndex(QStringLiteral("RESEARCHER_NAME"));
    const QString wanted = search.trimmed();
    QList<TestEntry> tests;
    for (int row = 0; row < list.rowCount(); ++row) {
        const QVariant when = list.value(time, row);
        TestEntry entry{list.value(name, row).toString(), when.isNull() ? QDateTime() : when.toDateTime(),
                        list.value(researcher, row).toString()};
        if (!wanted.isEmpty() && !entry.name.contains(wanted, Qt::CaseInsensitive) &&
            !entry.researcher.contains(wanted, Qt::CaseInsensitive) && !timeText(entry.time).contains(wanted))
            continue;
        tests.append(entry);
    }
    return tests;
}

std::optional<OpenedTest> readTest(clsConnection& connection, const QString& name, UnitSystem unitSystem) {
    if (name.isEmpty()) return std::nullopt;
    OpenedTest test = OpenStoredTest(connection, name, ChartDataOption::All, unitSystem);
    if (!test.isOpen() || test.name != name) return std::nullopt;
    return test;
}

std::shared_ptr<const OpenedTest> TestCache::get(clsConnection& connection, const QString& name,
                                                 UnitSystem unitSystem) {
    const QByteArray stamp = store::testStamp(connection, name);
    if (stamp.isEmpty()) return nullptr;
    std::promise<std::shared_ptr<const OpenedTest>> reading;
    {
        std::unique_lock lock(mutex_);
        for (qsizetype i = 0; i < entries_.size(); ++i) {
            if (entries_[i].name != name || entries_[i].unitSystem != unitSystem) continue;
            if (entries_[i].stamp != stamp) {
                entries_.removeAt(i);
                break;
            }
            entries_.move(i, 0);
            const std::shared_future<std::shared_ptr<const OpenedTest>> test = entries_.first().test;
            lock.unlock();
            return test.get();  // read already, or being read by another request: read once
        }
        entries_.prepend({name, unitSystem, stamp, reading.get_future().share()});
        while (entries_.size() > kKept) entries_.removeLast();
    }
    try {
        std::optional<OpenedTest> opened = readTest(connection, name, unitSystem);
        auto test = opened ? std::make_shared<const OpenedTest>(std::move(*opened)) : nullptr;
        reading.set_value(test);
        return test;
    } catch (...) {
        reading.set_exception(std::current_exception());
        std::lock_guard lock(mutex_);
        entries_.removeIf(
            [&](const Entry& e) { return e.name == name && e.unitSystem == unitSystem && e.stamp == stamp; });
        throw;
    }
}

QJsonObject unitsJson(const QList<UnitTile>& units, const QDateTime& now) {
    QJsonArray array;
    for (const UnitTile& tile : units) {
        const store::UnitStatusRow& s = tile.status;
        array.append(QJsonObject{
            {"station", s.station},
            {"unit", s.unit},
            {"state", store::activityText(s.activity)},
            {"state_text", s.stateText},
            {"program", s.program},
            {"test", s.testName.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s.testName)},
            {"sequence", s.sequenceName},
            {"ramp", s.rampNo},
            {"step", s.stepNo},
            {"sample_temp_F", number(s.sampleTemp_F)},
            {"bath_temp_F", number(s.bathTemp_F)},
            {"set_point_F", number(s.setPoint_F)},
            {"pressure_psi", number(s.pressure_psi)},
            {"shear_rate_1ps", number(s.shearRate_1ps)},
            {"shear_stress_dyncm2", number(s.shearStress_dyncm2)},
            {"viscosity_cP", number(s.viscosity_cP)},
            {"readings_waiting", s.readingsWaiting},
            {"time", s.time.toUTC().toString(Qt::ISODateWithMs)},
            {"age_s", tile.age_s},
            {"stale", tile.stale},
        });
    }
    return QJsonObject{{"server_time", now.toUTC().toString(Qt::ISODateWithMs)},
                       {"stale_after_s", kStaleAfter_s},
                       {"units", array}};
}

QJsonObject testsJson(const QList<TestEntry>& tests) {
    QJsonArray array;
    for (const TestEntry& test : tests)
        array.append(
            QJsonObject{{"name", test.name}, {"time", timeText(test.time)}, {"researcher", test.researcher}});
    return QJsonObject{{"tests", array}};
}

QVariant infoValue(const OpenedTest& test, InfoColumn column) {
    return test.testInfoRow.value(static_cast<int>(column));
}

QString infoText(const OpenedTest& test, InfoColumn column) {
    const QVariant value = infoValue(test, column);
    if (value.isNull()) return {};
    if (column == InfoColumn::TEST_TIME) return timeText(value.toDateTime());
    return value.toString();
}

QJsonObject testJson(const OpenedTest& test) {
    const auto numberOf = [&](InfoColumn column) {
        const QVariant value = infoValue(test, column);
        return value.isNull() ? QJsonValue(QJsonValue::Null) : number(value.toDouble());
    };
    QJsonArray additives;
    for (const AdditiveRow& a : test.additives)
        additives.append(QJsonObject{{"name", a.name},
                                     {"concentration", a.concentration.trimmed()},
                                     {"unit", a.unit},
                                     {"lot", a.lotNo}});
    QJsonArray ramps;
    for (const RampFit& fit : test.fits) {
        QJsonObject ramp{{"ramp", fit.RampNo},
                         {"elapsed_min", number(fit.ElapsedMin)},
                         {"sample_temp_F", number(fit.SampleTemp)},
                         {"pressure_psi", number(fit.Pressure)},
                         {"points", fit.PointCount},
                         {"state", QLatin1String(fitStateName(fit))},
                         {"n_prime", number(fit.NPrime)},
                         {"r_squared", number(fit.RSquared)}};
        const bool hasK = fit.State != FitState::OutsideWindow;
        const bool valid = fit.State == FitState::Valid;
        ramp.insert("k_prime", hasK ? number(fit.KPrime) : QJsonValue(QJsonValue::Null));
        ramp.insert("kv", valid ? number(fit.Kv) : QJsonValue(QJsonValue::Null));
        ramp.insert("k_slot", valid ? number(fit.KSlot) : QJsonValue(QJsonValue::Null));
        ramp.insert("visc_40_cP", valid ? number(fit.Visc40) : QJsonValue(QJsonValue::Null));
        ramp.insert("visc_100_cP", valid ? number(fit.Visc100) : QJsonValue(QJsonValue::Null));
        ramp.insert("visc_170_cP", valid ? number(fit.Visc170) : QJsonValue(QJsonValue::Null));
        ramps.append(ramp);
    }
    return QJsonObject{
        {"name", test.name},
        {"time", infoText(test, InfoColumn::TEST_TIME)},
        {"fluid", infoText(test, InfoColumn::FLUID_ID)},
        {"researcher", infoText(test, InfoColumn::RESEARCHER_NAME)},
        {"rotor", infoText(test, InfoColumn::ROTOR_NO)},
        {"bob", infoText(test, InfoColumn::BOB_NO)},
        {"bob_radius_cm", numberOf(InfoColumn::BOB_RADIUS)},
        {"bob_length_cm", numberOf(InfoColumn::BOB_EFF_LENGTH)},
        {"pretest_ph", numberOf(InfoColumn::PRETEST_PH)},
        {"posttest_ph", numberOf(InfoColumn::POSTTEST_PH)},
        {"description", infoText(test, InfoColumn::SAFETY)},
        {"readings", static_cast<qint64>(test.readings.size())},
        {"last_result_time_s",
         test.readings.empty() ? QJsonValue(QJsonValue::Null) : number(test.readings.back().time_s)},
        {"additives", additives},
        {"ramps", ramps},
    };
}

QJsonObject readingsJson(const OpenedTest& test, std::optional<double> since_s) {
    QJsonArray readings;
    for (const Reading& r : test.readings) {
        if (since_s && !(r.time_s > *since_s)) continue;
        readings.append(QJsonObject{{"ramp", number(r.rampNo)},
                                    {"step", number(r.rampStepNo)},
                                    {"time_s", number(r.time_s)},
                                    {"sample_temp_F", number(r.sampleTemp_F)},
                                    {"bath_temp_F", number(r.bathTemp_F)},
                                    {"pressure_psi", number(r.pressure_psi)},
                                    {"shear_rate_1ps", number(r.shearRate_1ps)},
                                    {"shear_stress_dyncm2", number(r.shearStress_dyncm2)},
                                    {"type", number(r.typeId)}});
    }
    return QJsonObject{{"name", test.name}, {"readings", readings}};
}

}  // namespace monitor
