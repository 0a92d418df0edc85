#pragma once

#include <QString>
#include <optional>

// Every message box of the program goes through this interface, so that the logic and the windows can
// be driven by tests that read the texts and answer the questions from a script.
enum class MsgIcon { None, Information, Exclamation, Critical, Question };

class Messenger {
  public:
    virtual ~Messenger() = default;

    // A message with an OK button only. An empty title shows the program's own title.
    virtual void info(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) = 0;
    // OK / Cancel: true for OK.
    virtual bool okCancel(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) = 0;
    // Yes / No: true for Yes.
    virtual bool yesNo(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None) = 0;
    // An input box: the text typed, or nothing when the operator cancels.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                            const QString& defaultText = {}) = 0;
};
