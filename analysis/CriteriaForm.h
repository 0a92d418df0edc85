#pragma once

#include "common/UnitSystem.h"
#include "store/CriteriaStore.h"

#include <QList>
#include <QString>

#include <variant>
#include <vector>

// The rows of the criteria window as the operator types them, and the criteria they make.
namespace criteria_form {

struct Row {
    QString shearRate;  // 1/s
    bool maximum = false;
    QString limit;    // cP
    QString minutes;  // duration
    QString minTemp;  // in the unit system's degrees (degC under SI, else degF); empty for none
    bool fitted = false;

    bool operator==(const Row&) const = default;
};

Row rowOf(const store::criteria::Criterion& criterion, UnitSystem unitSystem = UnitSystem::CGS);

// The criteria of the rows, in order (rows left wholly empty are skipped); or, when a value is not a
// number or a row makes no criterion, what is wrong with which row.
std::variant<std::vector<store::criteria::Criterion>, QString> criteriaOf(
    const QList<Row>& rows, UnitSystem unitSystem = UnitSystem::CGS);

}  // namespace criteria_form
