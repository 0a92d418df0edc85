#include "instrument/UnitPortFactory.h"

#include "instrument/SerialUnitPort.h"

UnitPortFactory serialUnitPortFactory() {
    return [](int) -> std::unique_ptr<UnitPort> { return std::make_unique<SerialUnitPort>(); };
}
