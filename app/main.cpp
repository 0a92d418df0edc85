#include "app/ui/QtMessenger.h"
#include "app/ui/TrayNotifier.h"
#include "app/ui/frmMain.h"
#include "autoexport/AutoExporter.h"
#include "autoexport/ui/GuiChartPicture.h"

#include "common/Settings.h"
#include "common/Version.h"
#include "notify/Notifier.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char kHelp[] =
    "Usage: r7716 [--help | --version]\n"
    "Starts the R7716 HPHT Automatic Rheometer program on the database \"R7716.mdb\" and the settings file\n"
    "\"initial.txt\" of the current directory; when \"database.txt\" there names a PostgreSQL database "
    "(e.g.\n"
    "postgresql://r7716@labserver/rheology), on that database. Qt's own options (-platform, -style, ...) "
    "are\n"
    "accepted too.\n";

constexpr int kLastNotifications_ms = 5000;
// The exports of runs that ended as the program closed: a long test's files take a few seconds.
constexpr int kLastExports_ms = 60000;

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application starts, so that neither needs a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("r7716 %s\n", r7716::kVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("R7716"));
    QApplication::setApplicationVersion(QString::fromLatin1(r7716::kVersion));
    QtMessenger messenger;
    Settings settings;
    // The tray outlives the notifications, which outlive the windows that raise them.
    TrayNotifier tray;
    const std::unique_ptr<Notifier> notifier = QFileInfo::exists(NotifySettings::pathBeside(settings.path()))
                                                   ? Notifier::beside(settings.path(), &tray)
                                                   : nullptr;
    // The exports stand between the windows' events and the notifications; they outlive the windows too.
    std::unique_ptr<AutoExporter> exporter;
    frmMain main(messenger, settings);
    exporter = AutoExporter::beside(settings.path(), main.Connection().location(), settings.unitSystem(),
                                    notifier.get(), autoexport::GuiChartPicture());
    main.setEventSink(exporter ? static_cast<EventSink*>(exporter.get()) : notifier.get());
    main.show();
    const int status = QApplication::exec();
    if (exporter) exporter->waitUntilDone(kLastExports_ms);
    // The last events (recording stopped on Exit) get a few seconds; what is left waits on disk for the
    // next start.
    if (notifier) notifier->waitUntilDelivered(kLastNotifications_ms);
    return status;
}
