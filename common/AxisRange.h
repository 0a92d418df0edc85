#pragma once

// An axis range with round ticks, as every linear axis of the program draws one: the main window's charts,
// the live graph of a unit window and the calibration plot.
struct AxisRange {
    double min = 0;
    double max = 1;
    int tickCount = 2;  // ticks including both ends
};

// The range that holds [low, high] with round ticks: the step is 1, 2, 2.5 or 5 times a power of ten, the
// smallest that needs at most maxIntervals intervals; the ends are multiples of the step.
//
// A range narrower than minSpan is first widened to minSpan about its middle, so that a steady value's
// noise stays small on the axis; it does not cross 0 then when both ends lie on one side of it (a range
// from 0 stays from 0). Without a minSpan, a range without width (or not finite) is widened around its
// value.
AxisRange NiceRange(double low, double high, int maxIntervals, double minSpan = 0);
