#include "app/ui/QtMessenger.h"
#include "app/ui/TrayNotifier.h"
#include "app/ui/frmMain.h"

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
    frmMain main(messenger, settings);
    main.setEventSink(notifier.get());
    main.show();
    const int status = QApplication::exec();
    // The last events (recording stopped on Exit) get a few seconds; what is left waits on disk for the
    // next start.
    if (notifier) notifier->waitUntilDelivered(kLastNotifications_ms);
    return status;
}
