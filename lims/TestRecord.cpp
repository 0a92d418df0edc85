#include "lims/TestRecord.h"

#include "analysis/OpenTest.h"
#include "common/Version.h"
#include "lims/TestRecordFormat.h"
#include "store/clsConnection.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QTimeZone>

#include <cmath>

#undef EOF  // the record classes' EOF(), not the C library's macro

namespace lims {

namespace {

using namespace Qt::Literals::StringLiterals;

using enum test_info::Column;

// The viscosities at 40, 100 and 170 1/s, then at the chosen rates.
constexpr double kTableRates_1ps[] = {40, 100, 170};

QJsonValue text(const QString& value) {
    return value.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

QJsonObject testOf(const OpenedTest& test, bool noTestTime) {
    const QVariantList& row = test.testInfoRow;
    const auto at = [&row](int column) { return column < row.size() ? row[column] : QVariant(); };
    return {
        {key::name, test.name},
        {key::time, noTestTime ? QJsonValue(QJsonValue::Null) : timeValue(at(TEST_TIME).toDateTime())},
        {key::fluid, at(FLUID_ID).toString()},
        {key::researcher, at(RESEARCHER_NAME).toString()},
        {key::rotor, at(ROTOR_NO).toString()},
        {key::bob, at(BOB_NO).toString()},
        {key::bobRadius, number(at(BOB_RADIUS).toDouble())},
        {key::bobLength, number(at(BOB_EFF_LENGTH).toDouble())},
        {key::pretestPh, number(at(PRETEST_PH).toDouble())},
        {key::posttestPh, number(at(POSTTEST_PH).toDouble())},
        {key::description, at(SAFETY).toString()},
    };
}

QJsonArray additivesOf(const QList<NewAdditive>& stored) {
    QJsonArray additives;
    for (const NewAdditive& a : stored)
        additives.append(QJsonObject{{key::name, a.name},
                                     {key::concentration, number(a.concentration)},
                                     {key::unit, a.unit},
                                     {key::lot, a.lotNo}});
    return additives;
}

QJsonArray readingsOf(const OpenedTest& test) {
    QJsonArray readings;
    for (std::size_t i = 0; i < test.readings.size(); ++i) {
        const Reading& r = test.readings[i];
        const double id = i < test.resultIds.size() ? test.resultIds[i] : 0;
        const bool excluded = i < test.excluded.size() && test.excluded[i] != 0;
        readings.append(QJsonObject{
            {key::id, static_cast<qint64>(id)},
            {key::time_s, number(r.time_s)},
            {key::ramp, number(r.rampNo)},
            {key::step, number(r.rampStepNo)},
            {key::type, number(r.typeId)},
            {key::sampleTemp, number(r.sampleTemp_F)},
            {key::bathTemp, number(r.bathTemp_F)},
            {key::pressure, number(r.pressure_psi)},
            {key::shearRate, number(r.shearRate_1ps)},
            {key::shearStress, number(r.shearStress_dyncm2)},
            {key::excluded, excluded},
        });
    }
    return readings;
}

QJsonArray viscositiesOf(const RampModelFits& fits, RampModel model, std::span<const double> chosen) {
    QJsonArray viscosities;
    const auto add = [&](double rate) {
        viscosities.append(
            QJsonObject{{key::rate, rate}, {key::visc, number(fits.viscosityAt(model, rate))}});
    };
    for (double rate : kTableRates_1ps) add(rate);
    for (double rate : chosen) add(rate);
    return viscosities;
}

QJsonValue stateOf(const std::optional<RampFit>& fit) {
    if (!fit) return QJsonValue::Null;
    switch (fit->State) {
        case FitState::Valid:
            return word::valid;
        case FitState::OutsideWindow:
            return word::outsideWindow;
        case FitState::NoGeometry:
            return word::noGeometry;
    }
    return word::outsideWindow;
}

// The power law as the results table shows it: K' once n' and K' are inside the validity window, Kv and
// what follows from it only for a bob that fits the cup.
QJsonObject powerLawOf(const RampModelFits& fits, std::span<const double> chosen) {
    const std::optional<RampFit>& fit = fits.powerLaw;
    const bool hasK = fit && fit->State != FitState::OutsideWindow;
    const bool valid = fit && fit->Valid;
    const auto when = [](bool has, double value) {
        return has ? number(value) : QJsonValue(QJsonValue::Null);
    };
    return {
        {key::failure, text(fits.failure(RampModel::PowerLaw))},
        {key::state, stateOf(fit)},
        {key::nPrime, when(fit.has_value(), fit ? fit->NPrime : 0)},
        {key::rSquared, when(fit.has_value(), fit ? fit->RSquared : 0)},
        {key::kPrime, when(hasK, fit ? fit->KPrime : 0)},
        {key::kv, when(valid, fit ? fit->Kv : 0)},
        {key::kSlot, when(valid, fit ? fit->KSlot : 0)},
        {key::kPipe, number(fits.kPipe)},
        {key::viscosities, viscositiesOf(fits, RampModel::PowerLaw, chosen)},
    };
}

QJsonObject binghamOf(const RampModelFits& fits, std::span<const double> chosen) {
    const BinghamFit& b = fits.bingham;
    return {
        {key::failure, text(b.failure)},
        {key::plasticViscosity, number(b.plasticViscosity_cP)},
        {key::yieldPoint, number(b.yieldPoint_dyncm2)},
        {key::rSquared, number(b.rSquared)},
        {key::plasticViscosityError, number(b.plasticViscosityError_cP)},
        {key::yieldPointError, number(b.yieldPointError_dyncm2)},
        {key::viscosities, viscositiesOf(fits, RampModel::Bingham, chosen)},
    };
}

QJsonObject herschelBulkleyOf(const RampModelFits& fits, std::span<const double> chosen) {
    const HerschelBulkleyFit& h = fits.herschelBulkley;
    return {
        {key::failure, text(h.failure)},
        {key::yieldStress, number(h.yieldStress_dyncm2)},
        {key::k, number(h.k_dynsncm2)},
        {key::n, number(h.n)},
        {key::rSquared, number(h.rSquared)},
        {key::yieldStressError, number(h.yieldStressError_dyncm2)},
        {key::kError, number(h.kError_dynsncm2)},
        {key::nError, number(h.nError)},
        {key::yieldStressAtZero, h.yieldStressAtBound},
        {key::viscosities, viscositiesOf(fits, RampModel::HerschelBulkley, chosen)},
    };
}

QJsonArray rampsOf(const OpenedTest& test, std::span<const double> chosen) {
    QJsonArray ramps;
    for (const RampModelFits& fits : test.models)
        ramps.append(QJsonObject{
            {key::ramp, fits.rampNo},
            {key::points, fits.pointCount},
            {key::elapsedMin, number(fits.stoppedAt.time_s / 60)},
            {key::sampleTemp, number(fits.stoppedAt.sampleTemp_F)},
            {key::pressure, number(fits.stoppedAt.pressure_psi)},
            {key::powerLaw, powerLawOf(fits, chosen)},
            {key::bingham, binghamOf(fits, chosen)},
            {key::herschelBulkley, herschelBulkleyOf(fits, chosen)},
        });
    return ramps;
}

QLatin1StringView statusWord(acceptance::Outcome::Status status) {
    switch (status) {
        case acceptance::Outcome::Status::Held:
            return word::held;
        case acceptance::Outcome::Status::Broke:
            return word::broke;
        case acceptance::Outcome::Status::NoValues:
            return word::noValues;
        case acceptance::Outcome::Status::NeverWarm:
            return word::neverWarm;
    }
    return word::noValues;
}

QJsonArray criteriaOf(const OpenedTest& test) {
    QJsonArray criteria;
    for (const acceptance::Judged& j : test.judged) {
        const store::criteria::Criterion& c = j.criterion;
        const acceptance::Outcome& o = j.outcome;
        const QJsonObject outcome{
            {key::status, statusWord(o.status)},
            {key::passed, o.passed},
            {key::startMin, number(o.start_min)},
            {key::heldMin, number(o.held_min)},
            {key::breakMin, o.breakTime_min ? number(*o.breakTime_min) : QJsonValue(QJsonValue::Null)},
        };
        criteria.append(QJsonObject{
            {key::shearRate, number(c.shearRate_1ps)},
            {key::limit, c.kind == store::criteria::LimitKind::Maximum ? word::maximum : word::minimum},
            {key::limitCp, number(c.limit_cP)},
            {key::durationMin, number(c.duration_min)},
            {key::minTemp, c.minTemp_F ? number(*c.minTemp_F) : QJsonValue(QJsonValue::Null)},
            {key::viscosity,
             c.source == store::criteria::ViscositySource::Fitted ? word::fitted : word::apparent},
            {key::outcome, outcome},
        });
    }
    return criteria;
}

QJsonArray exclusionsOf(const OpenedTest& test) {
    QJsonArray exclusions;
    for (const store::exclusions::Exclusion& e : test.exclusions)
        exclusions.append(QJsonObject{{key::readingId, static_cast<qint64>(e.resultId)},
                                      {key::reason, e.reason},
                                      {key::user, e.user},
                                      {key::time, timeValue(e.time)}});
    return exclusions;
}

QJsonArray historyOf(std::span<const store::audit::Entry> entries) {
    QJsonArray history;
    for (const store::audit::Entry& e : entries)
        history.append(QJsonObject{{key::time, timeValue(e.time)},
                                   {key::user, e.user},
                                   {key::station, e.station},
                                   {key::what, e.what},
                                   {key::oldValue, e.oldValue},
                                   {key::newValue, e.newValue}});
    return history;
}

// True when the stored TEST_TIME of the test is Null (the open reads it as the time of opening).
bool storedWithoutTime(clsConnection& connection, const QString& name) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME(name);
    info.GetTestDetail();
    const RecordTable found = info.UsedName();
    return found.rowCount() > 0 && found.value(found.columnIndex(u"TEST_TIME"_s), 0).isNull();
}

QList<NewAdditive> storedAdditives(clsConnection& connection, double testId) {
    clsTEST_ADDITIVE record;
    record.setTESTId(testId);
    record.ConnectX(connection);
    QList<NewAdditive> additives;
    for (record.MoveFirst(); !record.EOF(); record.MoveNext())
        additives.append({record.ADDITIVE_NM(), record.ADD_CONCEN(), record.ADD_UNIT(), record.ADD_LOTNO()});
    return additives;
}

}  // namespace

QJsonValue timeValue(const QDateTime& time) {
    if (!time.isValid()) return QJsonValue::Null;
    const QDateTime local = time.toLocalTime();
    const int offset_s = local.offsetFromUtc();
    const int minutes = std::abs(offset_s) / 60;
    const QString offset =
        QString::asprintf("%c%02d:%02d", offset_s < 0 ? '-' : '+', minutes / 60, minutes % 60);
    const QString format = local.time().msec() ? u"yyyy-MM-ddTHH:mm:ss.zzz"_s : u"yyyy-MM-ddTHH:mm:ss"_s;
    return local.toString(format) + offset;
}

QDateTime localTimeOf(const QJsonValue& value) {
    if (!value.isString()) return {};
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime() : QDateTime();
}

QJsonValue number(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

RecordSource RecordSource::current() {
    const QDateTime now = QDateTime::currentDateTime();
    return {u"R7716"_s, QString::fromLatin1(r7716::kVersion), QSysInfo::machineHostName(),
            now.addMSecs(-now.time().msec())};
}

QJsonObject TestRecord(const OpenedTest& test, const RecordExtras& extras, const RecordSource& source) {
    QJsonArray rates;
    for (double rate : extras.chosenRates_1ps) rates.append(rate);
    return {
        {key::format, kFormat},
        {key::formatVersion, kFormatVersion},
        {key::program, source.program},
        {key::programVersion, source.version},
        {key::station, source.station},
        {key::timeZone, QString::fromUtf8(QTimeZone::systemTimeZoneId())},
        {key::written, timeValue(source.written)},
        {key::test, testOf(test, extras.noTestTime)},
        {key::additives, additivesOf(extras.additives)},
        {key::readings, readingsOf(test)},
        {key::chosenRates, rates},
        {key::ramps, rampsOf(test, extras.chosenRates_1ps)},
        {key::criteria, criteriaOf(test)},
        {key::exclusions, exclusionsOf(test)},
        {key::history, historyOf(extras.history)},
    };
}

RecordExtras ReadRecordExtras(clsConnection& connection, const OpenedTest& test,
                              std::span<const double> chosenRates_1ps) {
    RecordExtras extras;
    extras.noTestTime = storedWithoutTime(connection, test.name);
    extras.additives = storedAdditives(connection, test.testId);
    extras.history = store::audit::ofTest(connection, test.testId);
    extras.chosenRates_1ps.assign(chosenRates_1ps.begin(), chosenRates_1ps.end());
    return extras;
}

QByteArray TestRecordJson(clsConnection& connection, const OpenedTest& test,
                          std::span<const double> chosenRates_1ps, const RecordSource& source) {
    const RecordExtras extras = ReadRecordExtras(connection, test, chosenRates_1ps);
    return QJsonDocument(TestRecord(test, extras, source)).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QByteArray> StoredTestRecordJson(clsConnection& connection, const QString& name,
                                               std::span<const double> chosenRates_1ps,
                                               const RecordSource& source) {
    const OpenedTest test = OpenStoredTest(connection, name, ChartDataOption::All, UnitSystem::CGS);
    if (!test.isOpen()) return std::nullopt;
    return TestRecordJson(connection, test, chosenRates_1ps, source);
}

}  // namespace lims
