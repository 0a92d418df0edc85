#include "link/UnitPortFactory.h"

#include "link/SerialUnitPort.h"

UnitPortFactory serialUnitPortFactory() {
    return [](int) -> std::unique_ptr<UnitPort> { return std::make_unique<SerialUnitPort>(); };
}
