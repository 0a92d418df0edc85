#include "analysis/CriteriaForm.h"

#include "common/VbFormat.h"

#include <cmath>

namespace criteria_form {

namespace {

// A number as typed: the whole text, blanks around it aside.
std::optional<double> numberIn(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

}  // namespace

Row rowOf(const store::criteria::Criterion& c, UnitSystem unitSystem) {
    const QString general;
    return {vb::Format(c.shearRate_1ps, general),
            c.kind == store::criteria::LimitKind::Maximum,
            vb::Format(c.limit_cP, general),
            vb::Format(c.duration_min, general),
            c.minTemp_F ? vb::Format(unitSystem == UnitSystem::SI
                                         ? std::round(CelsiusFromFahrenheit(*c.minTemp_F) * 100) / 100
                                         : *c.minTemp_F,
                                     general)
                        : QString(),
            c.source == store::criteria::ViscositySource::Fitted};
}

std::variant<std::vector<store::criteria::Criterion>, QString> criteriaOf(const QList<Row>& rows,
                                                                          UnitSystem unitSystem) {
    std::vector<store::criteria::Criterion> criteria;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const QString which = QStringLiteral("Row %1: ").arg(vb::Format(double(i + 1), QStringLiteral("0")));
        if (row.shearRate.trimmed().isEmpty() && row.limit.trimmed().isEmpty() &&
            row.minutes.trimmed().isEmpty() && row.minTemp.trimmed().isEmpty())
            continue;
        const struct {
            const QString& text;
            const char* what;
        } numbers[] = {{row.shearRate, "shear rate"}, {row.limit, "viscosity"}, {row.minutes, "duration"}};
        for (const auto& n : numbers)
            if (!numberIn(n.text))
                return which +
                       QStringLiteral("the %1 \"%2\" is not a number.").arg(QLatin1String(n.what), n.text);
        store::criteria::Criterion c;
        c.shearRate_1ps = *numberIn(row.shearRate);
        c.limit_cP = *numberIn(row.limit);
        c.duration_min = *numberIn(row.minutes);
        c.kind = row.maximum ? store::criteria::LimitKind::Maximum : store::criteria::LimitKind::Minimum;
        c.source = row.fitted ? store::criteria::ViscositySource::Fitted
                              : store::criteria::ViscositySource::Apparent;
        if (!row.minTemp.trimmed().isEmpty()) {
            c.minTemp_F = numberIn(row.minTemp);
            if (!c.minTemp_F)
                return which + QStringLiteral("the temperature \"%1\" is not a number.").arg(row.minTemp);
            if (unitSystem == UnitSystem::SI) c.minTemp_F = FahrenheitFromCelsius(*c.minTemp_F);
        }
        if (const std::optional<QString> problem = store::criteria::problemOf(c)) return which + *problem;
        criteria.push_back(c);
    }
    return criteria;
}

}  // namespace criteria_form
