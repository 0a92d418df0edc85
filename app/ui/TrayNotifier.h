#pragma once

#include "notify/DesktopNotifier.h"

#include <QSystemTrayIcon>

// The desktop channel of the notifications: a balloon of the program's icon in the system tray. The icon
// shows only while the program runs and a desktop offers a tray; the delivery thread's calls are handed
// to the window thread.
class TrayNotifier : public DesktopNotifier {
  public:
    TrayNotifier();
    bool show(const QString& title, const QString& text) override;

  private:
    QSystemTrayIcon icon_;
    bool available_ = false;
};
