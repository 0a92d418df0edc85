#include "analysis/ChartKinds.h"

namespace {

const char* const kCaptions2D[kChart2DTypeCount] = {"Visc, Temp Vs Time",   "Shr. Stress Vs. Shr. Rate",
                                                    "Visc Vs. Sample Temp", "Visc. Vs. Shear Rate",
                                                    "Shr. Stress Vs. Time", "Visc Vs. Time"};
const char* const kCaptions3D[kChart3DTypeCount] = {"Visc Vs. Rate, Time", "Visc Vs. Rate, Temp",
                                                    "Visc Vs. Temp, Time"};

}  // namespace

QStringList ChartTypeCaptions(ChartDimension dimension) {
    QStringList captions;
    if (dimension == ChartDimension::ThreeD)
        for (const char* caption : kCaptions3D) captions.append(QString::fromUtf8(caption));
    else
        for (const char* caption : kCaptions2D) captions.append(QString::fromUtf8(caption));
    return captions;
}

int ChartTypeCount(ChartDimension dimension) {
    return dimension == ChartDimension::ThreeD ? kChart3DTypeCount : kChart2DTypeCount;
}
