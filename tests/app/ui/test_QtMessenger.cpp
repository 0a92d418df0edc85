#include "app/ui/QtMessenger.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

namespace {

// Runs act on the modal box once it is up; the call that shows it returns when act closes it.
void whenModalShows(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) act(modal);
    });
}

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

void pressAndRecord(QWidget* modal, Seen& seen, QMessageBox::StandardButton press) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) {
        modal->close();
        return;
    }
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(press)->click();
}

TEST(QtMessenger, TitleButtonsAndIconAreThoseAskedForWithTheProgramsTitleByDefault) {
    struct Case {
        MsgIcon icon;
        QMessageBox::Icon expected;
        const char* title;
        const char* expectedTitle;
    };
    const std::vector<Case> cases = {
        {MsgIcon::None, QMessageBox::NoIcon, "", "R7716"},
        {MsgIcon::Information, QMessageBox::Information, "Info", "Info"},
        {MsgIcon::Exclamation, QMessageBox::Warning, "Exit Check", "Exit Check"},
        {MsgIcon::Critical, QMessageBox::Critical, "", "R7716"},
        {MsgIcon::Question, QMessageBox::Question, "Q", "Q"},
    };
    QtMessenger messenger;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expectedTitle);
        Seen seen;
        whenModalShows([&](QWidget* m) { pressAndRecord(m, seen, QMessageBox::Ok); });
        messenger.info(QStringLiteral("Saved."), QString::fromLatin1(c.title), c.icon);
        EXPECT_EQ(seen.title, QString::fromLatin1(c.expectedTitle));
        EXPECT_EQ(seen.text, QStringLiteral("Saved."));
        EXPECT_EQ(seen.icon, c.expected);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

TEST(QtMessenger, QuestionsAnswerWithTheButtonPressed) {
    QtMessenger messenger;
    struct Case {
        bool yesNo;
        QMessageBox::StandardButton press;
        bool expected;
    };
    for (const Case& c : std::vector<Case>{{true, QMessageBox::Yes, true},
                                           {true, QMessageBox::No, false},
                                           {false, QMessageBox::Ok, true},
                                           {false, QMessageBox::Cancel, false}}) {
        SCOPED_TRACE(c.press);
        Seen seen;
        whenModalShows([&](QWidget* m) { pressAndRecord(m, seen, c.press); });
        const bool answer =
            c.yesNo ? messenger.yesNo(QStringLiteral("Are you sure to exit?"), {}, MsgIcon::Exclamation)
                    : messenger.okCancel(QStringLiteral("Go on?"));
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(seen.buttons,
                  c.yesNo ? (QMessageBox::Yes | QMessageBox::No) : (QMessageBox::Ok | QMessageBox::Cancel));
    }
}

TEST(QtMessenger, AnInputBoxGivesTheTextTypedOrNothingWhenCancelled) {
    QtMessenger messenger;
    whenModalShows([](QWidget* m) {
        auto* dialog = qobject_cast<QInputDialog*>(m);
        if (!dialog) {
            m->close();
            return;
        }
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("R7716"));
        EXPECT_EQ(dialog->textValue(), QStringLiteral("Seq 1"));
        dialog->setTextValue(QStringLiteral("Seq 2"));
        dialog->accept();
    });
    EXPECT_EQ(messenger.inputBox(QStringLiteral("Name?"), {}, QStringLiteral("Seq 1")),
              QStringLiteral("Seq 2"));

    whenModalShows([](QWidget* m) {
        if (auto* dialog = qobject_cast<QInputDialog*>(m))
            dialog->reject();
        else
            m->close();
    });
    EXPECT_EQ(messenger.inputBox(QStringLiteral("Name?")), std::nullopt);
}

}  // namespace
