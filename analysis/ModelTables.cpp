#include "analysis/ModelTables.h"

#include "analysis/RampFitDisplay.h"
#include "common/VbFormat.h"

#include <algorithm>
#include <cmath>

namespace model_tables {

namespace {

using namespace ramp_display;

const QString kRatioPicture = QStringLiteral("0.0000");  // n and R^2, as n' and R^2 of the power law
const QString kStressPicture = QStringLiteral("0.000");
const QString kPlasticViscosityPicture = QStringLiteral("0.00");
const QString kViscosityPicture = QStringLiteral("#");
constexpr double kDesignRates[] = {40, 100, 170};
// The power law's table: K'pipe goes after K'slot (column 8 of the results table).
constexpr int kKPipeCell = 9;

// A value, or "N/A" where there is none.
QString cell(double value, const QString& picture) {
    return std::isfinite(value) ? vb::Format(value, picture) : kNotAvailable;
}

QString rateHeader(double rate_1ps) {
    return QStringLiteral("Visc\r@") + vb::Format(rate_1ps, QString()) + QStringLiteral(" 1/S (cP)");
}

QStringList rampHeader(UnitSystem unitSystem) {
    return HeaderCells(unitSystem).mid(0, kFirstParameterCell);
}

QStringList parameterHeader(RampModel model, UnitSystem unitSystem) {
    const QString stress = QStringLiteral("\r(") + StressUnit(unitSystem) + QStringLiteral(")");
    const QString fitQuality = QStringLiteral("Coef.\rDetn.\r(R^2)");
    if (model == RampModel::Bingham)
        return {QStringLiteral("PV\r(cP)"), QStringLiteral("YP") + stress, fitQuality,
                QStringLiteral("SE PV\r(cP)"), QStringLiteral("SE YP") + stress};
    const QString consistency = QStringLiteral("\r") + ConsistencyUnit(unitSystem);
    return {QStringLiteral("τ0") + stress,
            QStringLiteral("K") + consistency,
            QStringLiteral("n"),
            fitQuality,
            QStringLiteral("SE τ0") + stress,
            QStringLiteral("SE K") + consistency,
            QStringLiteral("SE n")};
}

QStringList parameterCells(const RampModelFits& fits, RampModel model, UnitSystem unitSystem) {
    const QString consistency = ConsistencyPicture(unitSystem);
    if (model == RampModel::Bingham) {
        const BinghamFit& b = fits.bingham;
        return {cell(b.plasticViscosity_cP, kPlasticViscosityPicture),
                cell(DisplayStress(b.yieldPoint_dyncm2, unitSystem), kStressPicture),
                cell(b.rSquared, kRatioPicture), cell(b.plasticViscosityError_cP, kPlasticViscosityPicture),
                cell(DisplayStress(b.yieldPointError_dyncm2, unitSystem), kStressPicture)};
    }
    const HerschelBulkleyFit& h = fits.herschelBulkley;
    return {cell(DisplayStress(h.yieldStress_dyncm2, unitSystem), kStressPicture),
            cell(DisplayConsistency(h.k_dynsncm2, unitSystem), consistency),
            cell(h.n, kRatioPicture),
            cell(h.rSquared, kRatioPicture),
            cell(DisplayStress(h.yieldStressError_dyncm2, unitSystem), kStressPicture),
            cell(DisplayConsistency(h.kError_dynsncm2, unitSystem), consistency),
            cell(h.nError, kRatioPicture)};
}

QStringList viscosityCells(const RampModelFits& fits, RampModel model, std::span<const double> rates) {
    QStringList cells;
    for (double rate : rates) cells << cell(fits.viscosityAt(model, rate), kViscosityPicture);
    return cells;
}

const RampModelFits* modelsOf(const OpenedTest& test, int rampNo) {
    const auto it = std::lower_bound(test.models.begin(), test.models.end(), rampNo,
                                     [](const RampModelFits& m, int ramp) { return m.rampNo < ramp; });
    return it != test.models.end() && it->rampNo == rampNo ? &*it : nullptr;
}

Table powerLawTable(const OpenedTest& test, UnitSystem unitSystem, const Options& options) {
    Table table;
    table.model = RampModel::PowerLaw;
    const ResultsTable results = BuildResultsTable(test.fits, test.rampCount, unitSystem);
    table.header = results.header;
    if (options.kPipe)
        table.header.insert(kKPipeCell, QStringLiteral("K'pipe\r") + ConsistencyUnit(unitSystem));
    for (double rate : options.rates) table.header << rateHeader(rate);
    for (qsizetype r = 0; r < results.rows.size(); ++r) {
        QStringList row = results.rows[r];
        table.failureCell << -1;
        if (!row.isEmpty()) {
            const RampModelFits* fits = modelsOf(test, static_cast<int>(r + 1));
            if (options.kPipe)
                row.insert(kKPipeCell, fits ? cell(DisplayConsistency(fits->kPipe, unitSystem),
                                                   ConsistencyPicture(unitSystem))
                                            : kNotAvailable);
            for (double rate : options.rates)
                row << (fits ? cell(fits->viscosityAt(RampModel::PowerLaw, rate), kViscosityPicture)
                             : kNotAvailable);
        }
        table.rows << row;
    }
    return table;
}

}  // namespace

QString Title(RampModel model) {
    switch (model) {
        case RampModel::PowerLaw:
            return QStringLiteral("Power law");
        case RampModel::Bingham:
            return QStringLiteral("Bingham plastic");
        case RampModel::HerschelBulkley:
            return QStringLiteral("Herschel-Bulkley");
    }
    return {};
}

Table Build(RampModel model, const OpenedTest& test, UnitSystem unitSystem, const Options& given) {
    // 40, 100 and 170 1/s have their columns already.
    Options options = given;
    std::erase_if(options.rates, [](double rate) {
        return std::find(std::begin(kDesignRates), std::end(kDesignRates), rate) != std::end(kDesignRates);
    });
    if (model == RampModel::PowerLaw) return powerLawTable(test, unitSystem, options);
    Table table;
    table.model = model;
    std::vector<double> rates(std::begin(kDesignRates), std::end(kDesignRates));
    rates.insert(rates.end(), options.rates.begin(), options.rates.end());
    table.header = rampHeader(unitSystem) + parameterHeader(model, unitSystem);
    for (double rate : rates) table.header << rateHeader(rate);

    const bool anyPoint = std::any_of(test.models.begin(), test.models.end(),
                                      [](const RampModelFits& m) { return m.pointCount > 0; });
    const int rows = anyPoint ? std::clamp(test.rampCount, 0, OpenTest::kMaxResultRamps) : 0;
    for (int ramp = 1; ramp <= rows; ++ramp) {
        const RampModelFits* fits = modelsOf(test, ramp);
        if (!fits || fits->pointCount == 0) {
            table.rows << QStringList();
            table.failureCell << -1;
            continue;
        }
        const Reading& at = fits->stoppedAt;
        QStringList row = RampCells(ramp, at.time_s / 60.0, at.sampleTemp_F, at.pressure_psi, unitSystem);
        const QString failure = fits->failure(model);
        if (failure.isEmpty()) {
            row << parameterCells(*fits, model, unitSystem) << viscosityCells(*fits, model, rates);
            table.failureCell << -1;
        } else {
            row << failure;
            while (row.size() < table.header.size()) row << QString();
            table.failureCell << kFirstParameterCell;
        }
        table.rows << row;
    }
    return table;
}

}  // namespace model_tables
