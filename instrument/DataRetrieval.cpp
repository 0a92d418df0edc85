#include "instrument/DataRetrieval.h"

#include "common/VbFormat.h"
#include "store/NewTest.h"
#include "store/StoreError.h"
#include "store/clsTEST_INFO.h"
#include "testinfo/TestInfoEntry.h"

#include <vector>

namespace {

QString count(int n) {
    return vb::Format(n, QStringLiteral("0"));
}

Reading toReading(const DataRecord& r) {
    Reading reading;
    reading.rampNo = r.rampNo;
    reading.rampStepNo = r.stepNo;
    reading.time_s = r.time_s;
    reading.sampleTemp_F = r.sampleTemp_F;
    reading.bathTemp_F = r.bathTemp_F;
    reading.pressure_psi = r.pressure_psi;
    reading.shearRate_1ps = r.shearRate_1ps;
    reading.shearStress_dyncm2 = r.shearStress;
    reading.typeId = r.typeId;
    return reading;
}

QString skippedText(int skipped) {
    return skipped == 1
               ? QStringLiteral("1 record from R7716 had fewer than nine fields and was left out.")
               : count(skipped) +
                     QStringLiteral(" records from R7716 had fewer than nine fields and were left out.");
}

}  // namespace

DataRetrieval::DataRetrieval(clsConnection& connection, TestInfoInput info, QDateTime testTime)
    : connection_(connection), info_(std::move(info)), testTime_(std::move(testTime)) {
    result_.testName = info_.testName;
}

UnitExchange::Next DataRetrieval::start(UnitPort& port) {
    const Next next = download_.start(port);
    if (!next) step(port);  // the port failed at once: judge it now
    return next;
}

UnitExchange::Next DataRetrieval::step(UnitPort& port) {
    if (download_.portFailure() == std::nullopt) {
        if (const Next next = download_.step(port)) return next;
    }
    if (download_.outcome() != DataDownload::Outcome::Complete) {
        result_.kind = RetrievalResult::Kind::CommunicationError;
        result_.message = download_.message();
        result_.title = DataDownload::kTitle;
        result_.summary = QStringLiteral("Nothing retrieved: ") + result_.message.section(u'\n', 0, 0);
        return std::nullopt;
    }
    result_ = store(connection_, info_, testTime_, download_.transfer());
    return std::nullopt;
}

QString DataRetrieval::progress() const {
    // A long test takes minutes on the line: the count shows that it is coming.
    const int records = download_.recordsReceived();
    return records == 0 ? QString()
                        : QStringLiteral("Retrieving: %1 records received ...").arg(count(records));
}

RetrievalResult DataRetrieval::store(clsConnection& connection, const TestInfoInput& info,
                                     const QDateTime& testTime, const QByteArray& transfer) {
    RetrievalResult result;
    result.testName = info.testName;
    const QList<DataRecord> records = DataDownload::parseRecords(transfer, &result.skipped);
    if (records.isEmpty()) {
        result.kind = RetrievalResult::Kind::NothingHeld;
        result.summary = QStringLiteral("R7716 sent no reading; no test was stored.");
        result.message = result.summary;
        if (result.skipped > 0) result.message += u' ' + skippedText(result.skipped);
        return result;
    }
    std::vector<Reading> readings;
    readings.reserve(static_cast<size_t>(records.size()));
    for (const DataRecord& r : records) readings.push_back(toReading(r));
    try {
        clsTEST_INFO row;
        row.ConnectX(connection);
        row.SetDefaults();
        info.fill(row, testTime);
        result.testId = StoreNewTest(connection, row, info.additives, readings);
    } catch (const StoreError& e) {
        result.kind = RetrievalResult::Kind::NotStored;
        result.summary = QStringLiteral("The retrieved readings were not stored.");
        result.message =
            e.number() == StoreError::kNameTaken
                ? QString::fromLatin1(TestInfoEntry::kDuplicateName) +
                      QStringLiteral("\nNothing was stored; please retrieve the result again.")
                : QStringLiteral("The retrieved readings could not be stored; nothing was stored.\n") +
                      e.report();
        return result;
    }
    result.kind = RetrievalResult::Kind::Stored;
    result.stored = static_cast<int>(readings.size());
    result.summary = (result.stored == 1 ? QStringLiteral("1 reading")
                                         : count(result.stored) + QStringLiteral(" readings")) +
                     QStringLiteral(" retrieved as test \"%1\".").arg(info.testName);
    if (result.skipped > 0) result.message = result.summary + u' ' + skippedText(result.skipped);
    return result;
}
