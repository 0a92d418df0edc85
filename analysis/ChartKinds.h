#pragma once

#include <QStringList>

// The chart choices of the main window: the dimension options and the chart-type list of each dimension.

// Values as the window keeps them: 1 for 2D (the start), 2 for 3D.
enum class ChartDimension { TwoD = 1, ThreeD = 2 };

// The 2D chart types, by their index in the 2D list.
enum class Chart2DType {
    ViscTempVsTime = 0,    // "Visc, Temp Vs Time": the default chart, drawn by the open operation
    StressVsRate = 1,      // "Shr. Stress Vs. Shr. Rate"
    ViscVsSampleTemp = 2,  // "Visc Vs. Sample Temp"
    ViscVsShearRate = 3,   // "Visc. Vs. Shear Rate"
    StressVsTime = 4,      // "Shr. Stress Vs. Time"
    ViscVsTime = 5,        // "Visc Vs. Time"
};

// The 3D chart types, by their index in the 3D list.
enum class Chart3DType {
    ViscVsRateTime = 0,  // "Visc Vs. Rate, Time": the default 3D chart, drawn by the open operation
    ViscVsRateTemp = 1,  // "Visc Vs. Rate, Temp"
    ViscVsTempTime = 2,  // "Visc Vs. Temp, Time"
};

inline constexpr int kChart2DTypeCount = 6;
inline constexpr int kChart3DTypeCount = 3;

// The items of the chart-type list in the dimension, in index order.
QStringList ChartTypeCaptions(ChartDimension dimension);
int ChartTypeCount(ChartDimension dimension);
