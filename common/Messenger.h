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

// Where no operator can be asked (a chart drawn for a web page or a file written by itself): every message
// becomes the problem to report, the last one kept, and every question is answered No.
class ProblemMessenger : public Messenger {
  public:
    explicit ProblemMessenger(QString* problem) : problem_(problem) {}
    void info(const QString& text, const QString& = {}, MsgIcon = MsgIcon::None) override { note(text); }
    bool okCancel(const QString& text, const QString& = {}, MsgIcon = MsgIcon::None) override {
        note(text);
        return false;
    }
    bool yesNo(const QString& text, const QString& = {}, MsgIcon = MsgIcon::None) override {
        note(text);
        return false;
    }
    std::optional<QString> inputBox(const QString& prompt, const QString& = {},
                                    const QString& = {}) override {
        note(prompt);
        return std::nullopt;
    }

  private:
    void note(const QString& text) {
        if (problem_) *problem_ = text;
    }
    QString* problem_;
};
