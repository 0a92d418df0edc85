#pragma once

#include "common/Messenger.h"

#include <QMessageBox>

// The program's message boxes: modal to the active window, titled "R7716" when the caller gives no title.
class QtMessenger : public Messenger {
  public:
    static constexpr const char* kDefaultTitle = "R7716";

    void info(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) override;
    bool okCancel(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) override;
    bool yesNo(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                    const QString& defaultText = {}) override;

    static QMessageBox::Icon toQtIcon(MsgIcon icon);
    static QString titleOrDefault(const QString& title);
};
