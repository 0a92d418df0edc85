#pragma once

#include <QString>

// The running program's own message on the desktop (a system-tray balloon). The window program implements
// it; a program without a desktop (r7716-cli) has none. show() may be called from any thread and returns
// at once; false when there is no place to show it now (no system tray).
class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    virtual bool show(const QString& title, const QString& text) = 0;
};
