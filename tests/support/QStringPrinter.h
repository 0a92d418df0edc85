#pragma once

#include "common/UnitSystem.h"

#include <QString>
#include <ostream>

// Lets GoogleTest show a QString as its text in failure messages instead of its bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(UnitSystem system, std::ostream* os) {
    *os << (system == UnitSystem::CGS ? "CGS" : system == UnitSystem::EI ? "EI" : "SI");
}
