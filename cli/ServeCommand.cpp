#include "cli/ServeCommand.h"

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "monitor/MonitorAccess.h"
#include "monitor/MonitorServer.h"
#include "monitor/ui/MonitorChart.h"
#include "store/clsConnection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>
#include <QTextStream>

namespace cli {

const char* const kServeHelp =
    "Usage: r7716-cli serve [--listen ADDRESS:PORT] [--token-file FILE]\n"
    "\n"
    "Serves the lab monitor, read-only, on the database the other commands use: the units board at /, the\n"
    "stored tests at /tests, each test at /tests/NAME (information, additives, results, charts, downloads)\n"
    "and the JSON API under /api/ (units, tests, tests/NAME, tests/NAME/readings?since=RESULT_TIME).\n"
    "Results are in the unit system of \"initial.txt\" unless a page asks for ?units=cgs|ei|si.\n"
    "\n"
    "Options:\n"
    "  --listen ADDRESS:PORT  where to listen (default 127.0.0.1:8716; [::1]:8716 for IPv6). Any address\n"
    "                         but a loopback one needs --token-file\n"
    "  --token-file FILE      the access token on the file's first line (at least 16 characters, e.g.\n"
    "                         openssl rand -hex 32 > FILE && chmod 600 FILE): a browser signs in with it\n"
    "                         once and keeps a cookie, a script sends \"Authorization: Bearer TOKEN\";\n"
    "                         without it every path answers 401. The file must be yours and readable by\n"
    "                         nobody else\n"
    "\n"
    "Runs until interrupted (Ctrl-C). Exit status: 1 the address cannot be used, the token file cannot be\n"
    "read, is short or others may read it, or the database cannot be opened, 64 wrong command line.\n";

bool serveNeedsWindowSystem(const Options&) {
    return true;  // the charts are drawn by the main window's chart code, the PDF with its fonts
}

int serve(const Invocation& call) {
    QString problem;
    const std::optional<monitor::ListenAddress> listen =
        monitor::parseListen(call.options.value("--listen", monitor::kDefaultListen), &problem);
    if (!listen) return failure(call.err, problem, kUsage);
    monitor::ServerOptions options;
    options.listen = *listen;
    if (call.options.has("--token-file")) {
        const std::optional<QByteArray> token =
            monitor::readTokenFile(call.options.value("--token-file"), &problem);
        if (!token) return failure(call.err, problem, kDatabaseError);
        options.token = *token;
    }
    options.database = call.database().location();
    options.unitSystem = unitSystemOf(call);
    options.paintChart = monitor::paintChartPng;
    QTextStream& err = call.err;
    options.log = [&err](const QString& line) {
        err << QDateTime::currentDateTime().toString(Qt::ISODate) << ' ' << kProgram << " serve: " << line
            << '\n';
        err.flush();
    };
    monitor::MonitorServer server(options);
    if (!server.start(&problem)) return failure(call.err, problem, kDatabaseError);
    monitor::ListenAddress shown = *listen;
    shown.port = server.port();
    call.out << "The lab monitor of " << call.database().displayName() << " is at "
             << shown.url(QSysInfo::machineHostName()) << " (";
    if (shown.isEveryAddress())
        call.out << "listening on every address of this machine, port " << shown.port << "; ";
    call.out << (options.token.isEmpty() ? "no token" : "token required") << "; Ctrl-C ends it)\n";
    call.out.flush();
    return QCoreApplication::exec();
}

}  // namespace cli
