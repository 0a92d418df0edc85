#include "app/ui/QtMessenger.h"
#include "app/ui/frmMain.h"

#include "common/Settings.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("R7716"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.3"));
    QtMessenger messenger;
    Settings settings;
    frmMain main(messenger, settings);
    main.show();
    return QApplication::exec();
}
