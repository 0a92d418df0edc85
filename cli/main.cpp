#include "cli/Cli.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    // The detail report's pages are drawn with fonts, which need the graphical application; it runs
    // without a display, since the command line never shows a window.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && std::strcmp(argv[1], "detail") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = cli::run(app->arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
