#pragma once

#include "common/Messenger.h"

#include <QString>

class QTextStream;

// A Messenger for work without windows: every message goes to a stream (standard error), a title before
// it when there is one; questions are answered OK / Yes and input boxes cancelled, since nobody is there
// to answer.
class StreamMessenger : public Messenger {
  public:
    explicit StreamMessenger(QTextStream& stream) : stream_(stream) {}

    void info(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) override;
    bool okCancel(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) override;
    bool yesNo(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                    const QString& defaultText = {}) override;

    // The text of the last message written.
    QString lastText() const { return lastText_; }

  private:
    void write(const QString& text, const QString& title);

    QTextStream& stream_;
    QString lastText_;
};
