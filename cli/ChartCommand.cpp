#include "cli/ChartCommand.h"

#include "analysis/ChartSession.h"
#include "analysis/OpenTest.h"
#include "analysis/ui/ChartView.h"
#include "analysis/ui/TestChart3D.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/StreamMessenger.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QApplication>
#include <QTextStream>

#include <optional>

namespace cli {

const char* const kChartHelp =
    "Usage: r7716-cli chart [options] [--] NAME TYPE (--out FILE | --csv)\n"
    "\n"
    "Draws one chart of the stored test NAME (the exact name) as the main window does, in the unit system\n"
    "of \"initial.txt\". TYPE is the index in the window's chart list:\n"
    "  0 Visc, Temp Vs Time     1 Shr. Stress Vs. Shr. Rate   2 Visc Vs. Sample Temp\n"
    "  3 Visc. Vs. Shear Rate   4 Shr. Stress Vs. Time        5 Visc Vs. Time\n"
    "  3d0 Visc Vs. Rate, Time  3d1 Visc Vs. Rate, Temp       3d2 Visc Vs. Temp, Time\n"
    "\n"
    "Options:\n"
    "  --overlap NAME  overlap the stored test NAME (2D types 1 to 5; may be given more than once)\n"
    "  --xlog, --ylog  logarithmic X or Y axis (2D; points at or below zero are left out and counted)\n"
    "  --no-ramp       leave the shear-rate ramp readings out of the charts 0 and 3d0\n"
    "  --out FILE      draw the chart into FILE, a .png (1000 x 650) or a .pdf (one landscape page);\n"
    "                  without a display it is drawn offscreen, and a 3D chart then fails as it needs "
    "OpenGL\n"
    "  --csv           print the series instead: a header series,label,x,y (series,label,x,y,z for 3D),\n"
    "                  then one line per point in the order the chart holds them after its sort\n"
    "\n"
    "Exit status: 0 done, 1 an overlap refused (its message on standard error), the file not written or a\n"
    "database error, 2 a named test not stored, 64 wrong command line.\n";

namespace {

struct ChartRequest {
    QString name;
    ChartDimension dimension = ChartDimension::TwoD;
    int type = 0;
    QStringList overlaps;
    AxisScale xScale = AxisScale::Linear;
    AxisScale yScale = AxisScale::Linear;
    ChartDataOption data = ChartDataOption::All;
    QString outFile;
    bool csv = false;
};

int usage(QTextStream& err, const QString& problem) {
    err << kProgram << ": " << problem << '\n' << "Run '" << kProgram << " chart --help' for usage.\n";
    err.flush();
    return kUsage;
}

int fail(QTextStream& err, int status, const QString& message) {
    err << message << '\n';
    err.flush();
    return status;
}

// "0".."5" or "3d0".."3d2".
bool parseType(const QString& text, ChartRequest& request) {
    QString digits = text;
    request.dimension = ChartDimension::TwoD;
    if (text.startsWith(QLatin1String("3d"), Qt::CaseInsensitive)) {
        request.dimension = ChartDimension::ThreeD;
        digits = text.mid(2);
    }
    bool ok = false;
    request.type = digits.toInt(&ok);
    return ok && digits.size() == 1 && request.type >= 0 && request.type < ChartTypeCount(request.dimension);
}

// The request from the checked command line, or the usage status after its message.
std::optional<ChartRequest> parse(const Invocation& call, int& status) {
    QTextStream& err = call.err;
    ChartRequest request;
    request.name = call.operands[0];
    request.overlaps = call.options.values("--overlap");
    request.outFile = call.options.value("--out");
    request.csv = call.options.has("--csv");
    if (call.options.has("--xlog")) request.xScale = AxisScale::Log;
    if (call.options.has("--ylog")) request.yScale = AxisScale::Log;
    if (call.options.has("--no-ramp")) request.data = ChartDataOption::NoRamp;
    if (!parseType(call.operands[1], request))
        return status = usage(
                   err,
                   QStringLiteral("'%1' is not a chart type (0 to 5, 3d0 to 3d2).").arg(call.operands[1])),
               std::nullopt;
    if (call.options.has("--out") && request.outFile.isEmpty())
        return status = usage(err, QStringLiteral("--out takes one file name.")), std::nullopt;
    for (const QString& name : request.overlaps)
        if (name.isEmpty())
            return status = usage(err, QStringLiteral("--overlap takes a test name.")), std::nullopt;
    if (request.csv == !request.outFile.isEmpty())
        return status = usage(err, QStringLiteral("give either --out FILE or --csv.")), std::nullopt;
    if (request.dimension == ChartDimension::ThreeD && !request.overlaps.isEmpty())
        return status = usage(err, QStringLiteral("overlap is available on 2D charts only.")), std::nullopt;
    return request;
}

QString csvText(const QString& stored) {
    const QString text = field(stored);
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return QStringLiteral("\"%1\"").arg(QString(text).replace(u'"', QStringLiteral("\"\"")));
}

QString number(double value) {
    return QString::number(value, 'g', 10);
}

void writeCsv(const ChartSession& session, QTextStream& out) {
    if (session.dimension() == ChartDimension::ThreeD) {
        const Chart3D& chart = session.chart3D();
        out << "series,label,x,y,z\n";
        const QString label = csvText(chart.label);
        for (std::size_t i = 0; i < chart.size(); ++i)
            out << "0," << label << ',' << number(chart.x[i]) << ',' << number(chart.y[i]) << ','
                << number(chart.z[i]) << '\n';
        return;
    }
    out << "series,label,x,y\n";
    const Chart2D& chart = session.chart2D();
    for (std::size_t s = 0; s < chart.series.size(); ++s) {
        const ChartSeries2D& series = chart.series[s];
        const QString head = QString::number(s) + u',' + csvText(series.label) + u',';
        for (std::size_t i = 0; i < series.size(); ++i)
            out << head << number(series.x[i]) << ',' << number(series.y[i]) << '\n';
    }
}

// The chart as the window would hold it after the same choices.
int buildChart(const ChartRequest& request, const Settings& settings, clsConnection& connection,
               ChartSession& session, QTextStream& err) {
    const OpenedTest test = OpenStoredTest(connection, request.name, request.data, settings.unitSystem());
    if (!test.isOpen()) return fail(err, kNotFound, QString::fromUtf8(OpenTest::kNotFoundMessage));
    session.showOpenedTest(test, settings.unitSystem());
    // Item 0 re-runs the open operation, which has just run: its default chart is drawn again.
    if (session.setDimension(request.dimension) == ChartSession::Next::ReOpen) session.redrawDefault();
    if (session.chooseType(request.type) == ChartSession::Next::ReOpen) session.redrawDefault();
    session.setXScale(request.xScale);
    session.setYScale(request.yScale);
    if (request.overlaps.isEmpty()) return kOk;
    clsTEST_INFO info;
    const QStringList listed = ListStoredTestNames(connection, info);
    const OverlapLoader load = StoredTestLoader(connection);
    for (const QString& name : request.overlaps) {
        const OverlapOutcome outcome = session.overlap(name, listed, load);
        if (outcome.kind == OverlapOutcome::Kind::NotFound) return fail(err, kNotFound, outcome.message);
        if (outcome.kind != OverlapOutcome::Kind::Overlapped)
            return fail(err, kOverlapRefused, outcome.message);
    }
    return kOk;
}

int drawToFile(const ChartSession& session, const QString& path, QTextStream& err) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return fail(err, kDatabaseError,
                    QStringLiteral("%1: drawing a chart needs the window system.").arg(kProgram));
    StreamMessenger messenger(err);
    ChartView view(messenger);
    view.ShowSession(session);
    QString problem;
    if (!view.RenderToFile(path, ChartView::kOffscreenSize, &problem))
        return fail(err, kDatabaseError, QStringLiteral("%1: %2").arg(kProgram, problem));
    return kOk;
}

}  // namespace

bool chartNeedsWindowSystem(const Options& options) {
    return options.has("--out");
}

int chart(const Invocation& call) {
    int status = kOk;
    const std::optional<ChartRequest> request = parse(call, status);
    if (!request) return status;
    QTextStream& out = call.out;
    QTextStream& err = call.err;
    ChartSession session;
    status = buildChart(*request, call.settings, call.database(), session, err);
    if (status != kOk) return status;
    if (request->csv) {
        writeCsv(session, out);
        out.flush();
        return kOk;
    }
    return drawToFile(session, request->outFile, err);
}

}  // namespace cli
