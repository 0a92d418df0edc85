#include "reports/HalliburtonFile.h"

#include "common/ApparentViscosity.h"
#include "common/VbFormat.h"
#include "common/WholeFile.h"
#include "reports/ReportCommon.h"

#include <QCryptographicHash>

#include <cmath>
#include <limits>
#include <utility>

namespace reports {

namespace {

constexpr const char* kHeader =
    "\"DATE\"        \"CLOCK\"        \"ELAPSED\"      \"TESTTIME\"     \"LOGTIME\"      \"RPM1    \"     "
    "\"VISC1   \"     \"STEMP1  \"     \"BTEMP1  \"     \"RATE1   \"     \"STRSS1  \"     \"TORQ1   \"     "
    "\"RWTOR1  \"";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kFileNameEnd = ".txt";
// A changed name carries "~" and the first bytes of its SHA-256 in hex.
constexpr const char* kNameCodeMark = "~";
constexpr int kNameCodeBytes = 4;
constexpr const char* kDateForm = "MM-dd-yyyy";
constexpr const char* kClockForm = "HH:mm:ss";
constexpr const char* kMinutesPicture = "##.##";
constexpr const char* kRealPicture = "###.####";
constexpr const char* kWholePicture = "###";
constexpr int kFieldWidth = 15;
// TESTTIME counts from eight minutes after the start.
constexpr qint64 kTestTimeOffset_s = 480;
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

// The date and clock texts of start + t seconds on the local clock. The local time's offset from UTC is
// looked up once per quarter hour of UTC (offsets change only on quarter hours) and the date text once per
// day, since looking up the local time for every reading of a long test costs more than the rest of its line.
class WallClock {
  public:
    explicit WallClock(const QDateTime& start)
        : valid_(start.isValid()), startUtc_s_(start.toSecsSinceEpoch()) {}

    // Date "MM-dd-yyyy" and clock "HH:mm:ss"; empty texts when the start is unknown.
    std::pair<QString, QString> at(qint64 t_s) {
        if (!valid_) return {};
        constexpr qint64 kQuarterHour_s = 900;
        constexpr qint64 kDay_s = 86400;
        const qint64 utc_s = startUtc_s_ + t_s;
        const qint64 quarter = floorDiv(utc_s, kQuarterHour_s);
        if (quarter != quarter_) {
            quarter_ = quarter;
            offset_s_ = QDateTime::fromSecsSinceEpoch(utc_s, Qt::LocalTime).offsetFromUtc();
        }
        const qint64 wall_s = utc_s + offset_s_;
        const qint64 day = floorDiv(wall_s, kDay_s);
        if (day != day_) {
            day_ = day;
            date_ = QDate(1970, 1, 1).addDays(day).toString(QString::fromLatin1(kDateForm));
        }
        return {date_, vb::TimeOfDay(wall_s - day * kDay_s)};
    }

  private:
    static qint64 floorDiv(qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

    bool valid_;
    qint64 startUtc_s_;
    qint64 quarter_ = std::numeric_limits<qint64>::min();
    int offset_s_ = 0;
    qint64 day_ = std::numeric_limits<qint64>::min();
    QString date_;
};

QString line(const Reading& r, WallClock& clock, double shearRateFactor) {
    const qint64 t_s = std::llround(r.time_s);
    const auto [date, time] = clock.at(t_s);
    QString line;
    line.reserve(220);
    line += quoted(date) + QStringLiteral("  ");
    line += quoted(time) + QStringLiteral("     ");
    line += quoted(vb::TimeOfDay(t_s)) + QStringLiteral("     ");
    line += quoted(vb::TimeOfDay(t_s - kTestTimeOffset_s)) + QStringLiteral("      ");
    line += field(r.time_s / 60, kMinutesPicture);
    const double rpm = shearRateFactor > 0 ? r.shearRate_1ps / shearRateFactor : std::nan("");
    line += field(rpm, kRealPicture);
    line += field(HalliburtonViscosity(r.shearRate_1ps, r.shearStress_dyncm2), kRealPicture);
    line += field(r.sampleTemp_F, kWholePicture);
    line += field(r.bathTemp_F, kWholePicture);
    line += field(r.shearRate_1ps, kRealPicture);
    line += field(r.shearStress_dyncm2, kRealPicture);
    line += field(r.shearStress_dyncm2 * kTorquePerStress, kRealPicture);
    line += field(r.shearStress_dyncm2 * kRawTorquePerStress + kRawTorqueOffset, kRealPicture);
    return line;
}

}  // namespace

QString HalliburtonLine(const Reading& r, const QDateTime& testStart, double shearRateFactor) {
    WallClock clock(testStart);
    return line(r, clock, shearRateFactor);
}

QByteArray HalliburtonBytes(const QDateTime& testStart, double shearRateFactor,
                            std::span<const Reading> readings) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>((readings.size() + 1) * 200));
    bytes += kHeader;
    bytes += kLineEnd;
    WallClock clock(testStart);
    for (const Reading& r : readings) {
        bytes += line(r, clock, shearRateFactor).toLatin1();
        bytes += kLineEnd;
    }
    return bytes;
}

HalliburtonName HalliburtonFileName(const QString& testName) {
    const QString safe = SafeFileName(testName);
    if (safe == testName) return {safe + QLatin1String(kFileNameEnd), false};
    // "..", "." and "_" would all be "_.txt": the code keeps every changed name apart from the others
    // and from the names that needed no change.
    const QByteArray digest = QCryptographicHash::hash(testName.toUtf8(), QCryptographicHash::Sha256);
    const QString code = QString::fromLatin1(digest.left(kNameCodeBytes).toHex());
    return {safe + QLatin1String(kNameCodeMark) + code + QLatin1String(kFileNameEnd), true};
}

HalliburtonOutcome WriteHalliburtonFile(const QDir& directory, const QString& testName,
                                        const QDateTime& testStart, double shearRateFactor,
                                        std::span<const Reading> readings) {
    const HalliburtonName name = HalliburtonFileName(testName);
    HalliburtonOutcome outcome;
    outcome.path = directory.absoluteFilePath(name.fileName);
    outcome.nameChanged = name.changed;
    // Written without asking, under a name a test chose: a link of that name is replaced, never followed.
    outcome.error = writeWholeFile(outcome.path, HalliburtonBytes(testStart, shearRateFactor, readings),
                                   WholeFileWriter::Links::Replace);
    return outcome;
}

}  // namespace reports
