#include "reports/HalliburtonFile.h"

#include "common/VbFormat.h"
#include "reports/ReportCommon.h"

#include <cmath>

namespace reports {

namespace {

constexpr const char* kHeader =
    "\"DATE\"        \"CLOCK\"        \"ELAPSED\"      \"TESTTIME\"     \"LOGTIME\"      \"RPM1    \"     "
    "\"VISC1   \"     \"STEMP1  \"     \"BTEMP1  \"     \"RATE1   \"     \"STRSS1  \"     \"TORQ1   \"     "
    "\"RWTOR1  \"";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kDateForm = "MM-dd-yyyy";
constexpr const char* kClockForm = "HH:mm:ss";
constexpr const char* kMinutesPicture = "##.##";
constexpr const char* kRealPicture = "###.####";
constexpr const char* kWholePicture = "###";
constexpr int kFieldWidth = 15;
// TESTTIME counts from eight minutes after the start.
constexpr qint64 kTestTimeOffset_s = 480;
// VISC1 adds this to the shear rate so that a stopped rotor does not divide by zero.
constexpr double kRateGuard_1ps = 1e-12;
constexpr double kTorquePerStress = 0.14290857;
constexpr double kRawTorquePerStress = 0.002159228594;
constexpr double kRawTorqueOffset = 2.544798908;

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

// A number left-aligned in its 15 columns. A number too long for its field (a stopped rotor makes VISC1
// about stress x 1E+14) is written in exponent form so that the columns after it stay in place.
QString field(double value, const char* picture) {
    QString text = vb::Format(value, QString::fromLatin1(picture));
    if (text.size() > kFieldWidth) {
        for (int digits = 8; digits >= 0; --digits) {
            text = QString::number(value, 'E', digits);
            if (text.size() < kFieldWidth) break;
        }
    }
    return text.leftJustified(kFieldWidth, u' ');
}

}  // namespace

QString HalliburtonHeader() {
    return QString::fromLatin1(kHeader);
}

QString HalliburtonLine(const Reading& r, const QDateTime& testStart, double shearRateFactor) {
    const qint64 t_s = std::llround(r.time_s);
    const QDateTime at = testStart.addSecs(t_s);
    QString line;
    line += quoted(at.toString(QString::fromLatin1(kDateForm))) + QStringLiteral("  ");
    line += quoted(at.toString(QString::fromLatin1(kClockForm))) + QStringLiteral("     ");
    line += quoted(vb::TimeOfDay(t_s)) + QStringLiteral("     ");
    line += quoted(vb::TimeOfDay(t_s - kTestTimeOffset_s)) + QStringLiteral("      ");
    line += field(r.time_s / 60, kMinutesPicture);
    const double rpm = shearRateFactor > 0 ? r.shearRate_1ps / shearRateFactor : std::nan("");
    line += field(rpm, kRealPicture);
    line += field(r.shearStress_dyncm2 / (kRateGuard_1ps + r.shearRate_1ps) * 100, kRealPicture);
    line += field(r.sampleTemp_F, kWholePicture);
    line += field(r.bathTemp_F, kWholePicture);
    line += field(r.shearRate_1ps, kRealPicture);
    line += field(r.shearStress_dyncm2, kRealPicture);
    line += field(r.shearStress_dyncm2 * kTorquePerStress, kRealPicture);
    line += field(r.shearStress_dyncm2 * kRawTorquePerStress + kRawTorqueOffset, kRealPicture);
    return line;
}

QByteArray HalliburtonBytes(const QDateTime& testStart, double shearRateFactor,
                            std::span<const Reading> readings) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>((readings.size() + 1) * 200));
    bytes += kHeader;
    bytes += kLineEnd;
    for (const Reading& r : readings) {
        bytes += HalliburtonLine(r, testStart, shearRateFactor).toLatin1();
        bytes += kLineEnd;
    }
    return bytes;
}

HalliburtonName HalliburtonFileName(const QString& testName) {
    const QString name = SafeFileName(testName);
    return {name + QStringLiteral(".txt"), name != testName};
}

HalliburtonOutcome WriteHalliburtonFile(const QDir& directory, const QString& testName,
                                        const QDateTime& testStart, double shearRateFactor,
                                        std::span<const Reading> readings) {
    const HalliburtonName name = HalliburtonFileName(testName);
    HalliburtonOutcome outcome;
    outcome.path = directory.absoluteFilePath(name.fileName);
    outcome.nameChanged = name.changed;
    outcome.error = WriteWholeFile(outcome.path, HalliburtonBytes(testStart, shearRateFactor, readings));
    return outcome;
}

}  // namespace reports
