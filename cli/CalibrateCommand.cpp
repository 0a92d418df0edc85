#include "cli/CalibrateCommand.h"

#include "calibration/CalibrationReport.h"
#include "calibration/TorqueCalibration.h"
#include "cli/Cli.h"
#include "cli/StreamMessenger.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "link/UnitAssignment.h"
#include "store/StoreError.h"
#include "store/UnitCalibrations.h"

#include <QTextStream>

namespace cli {

const char* const kCalibrateHelp =
    "Usage: r7716-cli calibrate UNIT --visc CP [--bob NAME] [--change CP] [--report FILE] [--timeout S]\n"
    "\n"
    "Runs one torque calibration on instrument unit UNIT (1 to 8, on the port of line UNIT of\n"
    "\"initial.txt\") as the calibration window does: writes the bob to the unit's line of \"BOBINFO.TXT\",\n"
    "sends the calibration start with the calibration fluid's viscosity CP (0.0001 to 10000 cP), takes the\n"
    "unit's data points until its end message, fits stress = c0 + c1 x voltage and sends the line back.\n"
    "\n"
    "  --bob NAME     the bob mounted: B5 (default), B2, B1, XB5, XB2 or XB1\n"
    "  --change CP    the fluid's viscosity change per 1 C, for the report only\n"
    "  --report FILE  write the calibration report to FILE when the run ends\n"
    "  --timeout S    give up when the unit has sent nothing for S seconds (default 600); nothing is sent\n"
    "                 to the unit then\n"
    "\n"
    "Prints each data point as it arrives, stress (scaled for the bob, dyn/cm2) TAB voltage (Vdc), then\n"
    "c0, c1 and zero_stress_voltage as sent to the unit (only when sent), and quality (r2 of the line\n"
    "through the points 7 to 16; 0 with fewer than 16 points), one name TAB value line each. The finished\n"
    "run is kept in the database (table UNIT_CALIBRATION), where the test report finds it. A line that\n"
    "is not finite or does not rise is not sent: the unit keeps its old calibration. A line that rises is\n"
    "sent, with a warning when fewer than 16 points arrived or r2 of the line over all points is below\n"
    "0.995.\n"
    "\n"
    "Exit status 0 when the result was sent and judged good; 1 when the port fails, the unit falls silent,\n"
    "no result was sent, the calibration is judged poor, the database cannot keep it or the report cannot\n"
    "be written; 64 for a wrong command line.\n";

namespace {

constexpr const char* kCommand = "r7716-cli calibrate";

int usage(QTextStream& err, const QString& problem) {
    err << kCommand << ": " << problem << "\nRun '" << kCommand << " --help' for usage.\n";
    err.flush();
    return kUsage;
}

int failed(QTextStream& err, const QString& problem) {
    err << kCommand << ": " << problem << '\n';
    err.flush();
    return kUnitError;
}

QString general(double value) {
    return vb::Format(value, QString());
}

struct Request {
    int unit = 0;
    QString visc, bob = QStringLiteral("B5"), change, report;
    double timeout_s = TorqueCalibration::kDefaultSilenceTimeout_s;
};

// The request from the checked command line; a problem in words when a value is wrong.
QString parse(const Invocation& call, Request& request) {
    request.unit = call.unit;
    if (!call.options.has("--visc")) return QStringLiteral("--visc is required.");
    request.visc = call.options.value("--visc");
    const double visc = vb::Val(request.visc);
    if (visc < TorqueCalibration::kMinViscosity_cP || visc > TorqueCalibration::kMaxViscosity_cP)
        return TorqueCalibration::kInvalidViscosity;
    request.bob = call.options.value("--bob", request.bob).toUpper();
    request.change = call.options.value("--change");
    request.report = call.options.value("--report");
    if (call.options.has("--timeout")) {
        bool ok = false;
        request.timeout_s = call.options.value("--timeout").toDouble(&ok);
        if (!ok || !(request.timeout_s > 0))
            return QStringLiteral("--timeout takes a number of seconds above 0, not '%1'.")
                .arg(call.options.value("--timeout"));
    }
    return {};
}

int bobIndexOf(const QString& name) {
    for (std::size_t k = 0; k < kCalibrationBobs.size(); ++k)
        if (name == QLatin1String(kCalibrationBobs[k].name)) return static_cast<int>(k);
    return -1;
}

}  // namespace

int calibrate(const Invocation& call) {
    QTextStream& out = call.out;
    QTextStream& err = call.err;
    const Settings& settings = call.settings;
    const UnitPortFactory& ports = call.ports;
    Request request;
    if (const QString problem = parse(call, request); !problem.isEmpty()) return usage(err, problem);
    const int bobIndex = bobIndexOf(request.bob);
    if (bobIndex < 0) return usage(err, QStringLiteral("'%1' is not a bob of the list.").arg(request.bob));

    UnitAssignment::LookupError error;
    const std::optional<int> port = UnitAssignment::portOfUnit(request.unit, error, settings.lastRead());
    if (!port) return failed(err, UnitAssignment::errorText(error));
    if (*port == 0)
        return failed(err, QStringLiteral("%1 has no serial port in \"%2\" (its line is 0).")
                               .arg(UnitAssignment::unitText(request.unit),
                                    QString::fromLatin1(InitialSettings::kFileName)));

    StreamMessenger messenger(err);
    TorqueCalibration calibration(ports, messenger);
    double elapsed_s = 0;
    calibration.setClock([&elapsed_s] { return elapsed_s; });
    calibration.setSilenceTimeout(request.timeout_s);
    // The finished run is kept in the database, as the calibration window keeps it.
    bool kept = true;
    calibration.setFinishedSink([&](const CalibrationRecord& record) {
        try {
            store::unit_calibration::add(call.database(), record);
        } catch (const StoreError& error) {
            kept = false;
            failed(err, QString::fromUtf8(store::unit_calibration::kNotKeptMessage)
                            .arg(error.description())
                            .replace(u'\n', u' '));
        }
    });
    const TorqueCalibration::UnitEntry entry{TorqueCalibration::unitEntryText(request.unit), request.unit,
                                             *port};
    calibration.selectUnit(entry);
    if (!calibration.start(request.visc, bobIndex)) return kUnitError;

    constexpr double kTick_s = TorqueCalibration::kTickInterval_ms / 1000.0;
    while (calibration.calibrating()) {
        calibration.port()->delay(kTick_s);
        elapsed_s += kTick_s;
        const qsizetype before = calibration.stresses().size();
        const TorqueCalibration::TickReport report = calibration.tick();
        for (qsizetype k = before; k < calibration.stresses().size(); ++k)
            out << general(calibration.stresses()[k]) << '\t' << general(calibration.voltages()[k]) << '\n';
        out.flush();
        if (!report.failure.isEmpty()) err << kCommand << ": " << report.failure << '\n';
    }

    const std::optional<CalibrationLine>& line = calibration.line();
    if (calibration.resultSent() && line)
        out << "c0\t" << CalibrationLink::coefficientText(line->c0) << '\n'
            << "c1\t" << CalibrationLink::coefficientText(line->c1) << '\n'
            << "zero_stress_voltage\t" << CalibrationLink::coefficientText(calibration.zeroStressVoltage())
            << '\n';
    if (const std::optional<double> quality = calibration.quality())
        out << "quality\t" << general(*quality) << '\n';
    out.flush();
    if (calibration.skippedMessages() > 0)
        err << kCommand << ": " << vb::Format(calibration.skippedMessages(), QStringLiteral("0"))
            << " message(s) from the unit that were no data points were skipped.\n";
    err.flush();

    int status = calibration.resultSent() && line && line->good() && kept ? kOk : kUnitError;
    if (!request.report.isEmpty()) {
        CalibrationReport::Inputs inputs;
        inputs.unitText = entry.text;
        inputs.bobText = request.bob;
        inputs.viscText = request.visc;
        inputs.changeText = request.change;
        inputs.stresses = calibration.stresses();
        inputs.voltages = calibration.voltages();
        inputs.quality = calibration.quality();
        inputs.when = QDateTime::currentDateTime();
        if (const QString problem = CalibrationReport::write(request.report, inputs); !problem.isEmpty())
            status = failed(err, QStringLiteral("the report cannot be written: %1").arg(problem));
    }
    return status;
}

}  // namespace cli
