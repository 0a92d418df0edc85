#pragma once

#include "common/Messenger.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

#include <gtest/gtest.h>

// A Messenger for tests: records every message and answers each question from the test's script.
//
// Strict, so that a test states every question its code asks: a question with no scripted answer fails
// the test (naming the question) and is answered Cancel / No / cancelled input, the answers that change
// nothing; an answer still scripted when the messenger goes fails the test too, since the question the
// test expected was never asked.
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
    QQueue<bool> answers;                   // for okCancel / yesNo, in the order they are asked
    QQueue<std::optional<QString>> inputs;  // for inputBox

    ScriptedMessenger() = default;
    ScriptedMessenger(const ScriptedMessenger&) = delete;
    ScriptedMessenger& operator=(const ScriptedMessenger&) = delete;

    ~ScriptedMessenger() override {
        // A test that failed already would only add noise here.
        if (::testing::Test::HasFailure()) return;
        if (!answers.isEmpty())
            ADD_FAILURE() << answers.size() << " scripted OK/Cancel or Yes/No answer(s) never asked for; "
                          << asked();
        if (!inputs.isEmpty())
            ADD_FAILURE() << inputs.size() << " scripted input box answer(s) never asked for; " << asked();
    }

    void info(const QString& text, const QString& title, MsgIcon icon) override {
        shown.append({Kind::Info, text, title, icon});
    }
    bool okCancel(const QString& text, const QString& title, MsgIcon icon) override {
        shown.append({Kind::OkCancel, text, title, icon});
        return answer(answers, text, "OK/Cancel").value_or(false);
    }
    bool yesNo(const QString& text, const QString& title, MsgIcon icon) override {
        shown.append({Kind::YesNo, text, title, icon});
        return answer(answers, text, "Yes/No").value_or(false);
    }
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString&) override {
        shown.append({Kind::Input, prompt, title, MsgIcon::None});
        return answer(inputs, prompt, "input box").value_or(std::nullopt);
    }

    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown) t << s.text;
        return t;
    }

  private:
    template <typename T>
    static std::optional<T> answer(QQueue<T>& queue, const QString& question, const char* kind) {
        if (!queue.isEmpty()) return queue.dequeue();
        ADD_FAILURE() << "Unscripted " << kind << " question: \"" << question.toStdString() << '"';
        return std::nullopt;
    }

    std::string asked() const {
        QStringList questions;
        for (const auto& s : shown)
            if (s.kind != Kind::Info) questions << QLatin1Char('"') + s.text + QLatin1Char('"');
        return questions.isEmpty() ? std::string("no question was asked")
                                   : "questions asked: " + questions.join(QStringLiteral(", ")).toStdString();
    }
};
