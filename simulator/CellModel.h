#pragma once

#include "simulator/FluidModel.h"

#include <optional>

// The cell of one unit on simulated time: the oven and the fluid in the cup, as the firmware emulation runs
// them and the demonstration tests of r7716-cli record them.
//
// The bath heats and cools toward the heater's target at a limited rate (its lag sets the approach), or,
// with the heater off, drifts slowly back to the room; the sample follows the bath with a lag of its own
// while the bath is raised around the cup, and drifts slowly to the room when the bath is dropped.
//
// The gel breaks by its break time at the temperature it has: each second adds 1 / tau(T) to its break
// (FluidModel), so a gel broken while hot stays broken when it cools. The fluid model is handed the age
// that gives, at the present temperature, the break accumulated so far.
class CellModel {
  public:
    CellModel(const FluidModel& fluid, double ambient_F);

    // Moves time on by dt seconds with the heater driving the bath toward heaterTarget_F (none: the heater
    // is off) and the bath raised or dropped. Long steps are taken in short ones.
    void advance(double dt_s, std::optional<double> heaterTarget_F, bool bathRaised);
    // A fresh sample in the cup: nothing of it is broken yet.
    void loadFreshFluid() { broken_ = 0; }

    double bath_F() const { return bath_; }
    double sample_F() const { return sample_; }
    // The stress of the sample at this shear rate, at its temperature and with its break so far.
    double shearStress(double shearRate_1ps) const;
    const FluidModel& fluid() const { return fluid_; }

  private:
    void step(double dt_s, std::optional<double> heaterTarget_F, bool bathRaised);
    double equivalentAge_s() const;

    FluidModel fluid_;
    double ambient_;
    double bath_;
    double sample_;
    double broken_ = 0;  // sum of dt / tau(T) since the fluid was loaded
};
