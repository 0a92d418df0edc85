#include "calibration/CalibrationReport.h"

#include "common/VbFormat.h"
#include "common/WholeFile.h"

#include <QRegularExpression>

namespace CalibrationReport {

namespace {

const QString kTitle = QStringLiteral("Torque Calibration Report of R7716 Rheometer.");
const QString kTimeLabel = QStringLiteral("Calibration Time:              ");
const QString kUnitLabel = QStringLiteral("Instrument Unit:               ");
const QString kBobLabel = QStringLiteral("Bob Size:                      ");
const QString kViscLabel = QStringLiteral("Calibration Fluid Visc(cP):    ");
const QString kChangeLabel = QStringLiteral("Cali Fluid Visc Change per 1C: ");
const QString kColumnsLine = QStringLiteral("ShearStress(dyn/cm2)            Voltage(vdc)");
const QString kQualityLabel = QStringLiteral("Least square error is: ");

// A number as the print statement writes it: sign blank or minus, the digits, one blank.
QString printed(double value) {
    return vb::Str(value) + u' ';
}

}  // namespace

QString timeText(const QDateTime& when, const QLocale& locale) {
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    return locale.toString(when.time(), timeFormat.trimmed()) + u' ' +
           locale.toString(when.date(), QLocale::LongFormat);
}

QString pointLine(double stress, double voltage) {
    return vb::PadToNextPrintZone(printed(stress)) + printed(voltage);
}

QStringList lines(const Inputs& inputs, const QLocale& locale) {
    QStringList out{kTitle,
                    QString(),
                    kTimeLabel + timeText(inputs.when, locale),
                    kUnitLabel + inputs.unitText,
                    kBobLabel + inputs.bobText,
                    kViscLabel + inputs.viscText,
                    kChangeLabel + inputs.changeText,
                    QString(10, u' '),
                    kColumnsLine};
    const qsizetype n = std::min(inputs.stresses.size(), inputs.voltages.size());
    for (qsizetype k = 0; k < n; ++k) out << pointLine(inputs.stresses[k], inputs.voltages[k]);
    out << QString(3, u' ');
    out << kQualityLabel + (inputs.quality ? vb::Format(*inputs.quality, QString()) : QString());
    return out;
}

QString write(const QString& path, const Inputs& inputs) {
    const QByteArray bytes = (lines(inputs).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    if (const QString failure = writeWholeFile(path, bytes); !failure.isEmpty())
        return QStringLiteral("%1: %2").arg(path, failure);
    return {};
}

}  // namespace CalibrationReport
