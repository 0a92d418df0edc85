#pragma once

// A crosslinked fracturing fluid as the simulated unit shears it: a power-law fluid, stress = K' x rate^n',
// whose K' thins with temperature and falls with time as the gel breaks (faster the hotter it is), while n'
// climbs from the fresh gel's value toward 1 (the Newtonian base fluid) as it breaks.
//
//   K'(T, t)  = K_base + (K_0 - K_base) x exp(-a (T - T_ref)) x exp(-t / tau(T))
//   tau(T)    = tau_0 x exp(-b (T - T_ref))
//   n'(T, t)  = n_0 + (1 - n_0) x (1 - exp(-t / tau(T)))
//
// K' in dyn s^n/cm2, T in F, t in seconds since the fluid was loaded, rates in 1/s, stress in dyn/cm2.
class FluidModel {
  public:
    struct Params {
        double k0 = 120.0;                 // K' of the fresh gel at the reference temperature
        double n0 = 0.45;                  // n' of the fresh gel
        double kBase = 0.012;              // K' of the fully broken base fluid (about 1.2 cP)
        double reference_F = 75.0;         // T_ref
        double thinning_perF = 0.008;      // a: thermal thinning
        double breakTime_s = 72000.0;      // tau_0: break time at the reference temperature (20 h)
        double breakSpeedup_perF = 0.015;  // b: how much faster it breaks per degree
    };

    FluidModel() = default;
    explicit FluidModel(const Params& params) : params_(params) {}

    double K(double temp_F, double time_s) const;
    double n(double temp_F, double time_s) const;
    // Signed: a negative rate gives a negative stress.
    double shearStress(double shearRate_1ps, double temp_F, double time_s) const;
    // 100 x stress / rate, in cP (the viscosity the program derives); K' x 100 at rate 0.
    double apparentViscosity_cP(double shearRate_1ps, double temp_F, double time_s) const;
    // tau(T): the break time at a temperature, seconds.
    double breakTime_s(double temp_F) const;

    const Params& params() const { return params_; }

  private:
    double remaining(double temp_F, double time_s) const;  // exp(-t / tau(T)), 1 = fresh, 0 = broken
    double deltaT(double temp_F) const;

    Params params_;
};
