#pragma once

#include <span>

// The straight-line least squares shared by the ramp fit, the live results of a running test and the
// torque calibration, so that all three fit the same way.

// Base-10 logarithm as ln(x) / ln(10). Callers pass only x > 0.
double Log10(double x);

// Fits y = intercept + slope * x over the points (x[i], y[i]) and returns r, the magnitude of the
// correlation coefficient. When the x values are all equal (no line can be fitted) slope and intercept keep
// the values the caller put in and r is 0; when the y values are all equal slope, intercept and r are 0.
// Only the first min(x.size(), y.size()) points are used; fewer than two points is the all-x-equal case.
double LinearFit(std::span<const double> x, std::span<const double> y, double& slope, double& intercept);
