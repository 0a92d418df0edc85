#pragma once

#include "common/Messenger.h"

#include <QList>
#include <QQueue>
#include <QString>

// A Messenger for tests: records every message and answers questions from a queue
// (an empty queue answers OK / Yes / cancels an input box).
class ScriptedMessenger : public Messenger {
public:
    enum class Kind { Info, OkCancel, YesNo, Input };
    struct Shown {
        Kind kind;
        QString text;
        QString title;
        MsgIcon icon;
    };

    QList<Shown> shown;
    QQueue<bool> answers;                         // for okCancel / yesNo
    QQueue<std::optional<QString>> inputs;        // for inputBox

    void info(const QString& text, const QString& title, MsgIcon icon) override {
        shown.append({Kind::Info, text, title, icon});
    }
    bool okCancel(const QString& text, const QString& title, MsgIcon icon) override {
        shown.append({Kind::OkCancel, text, title, icon});
        return answers.isEmpty() ? true : answers.dequeue();
    }
    bool yesNo(const QString& text, const QString& title, MsgIcon icon) override {
        shown.append({Kind::YesNo, text, title, icon});
        return answers.isEmpty() ? true : answers.dequeue();
    }
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString&) override {
        shown.append({Kind::Input, prompt, title, MsgIcon::None});
        return inputs.isEmpty() ? std::nullopt : inputs.dequeue();
    }

    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown) t << s.text;
        return t;
    }
};
