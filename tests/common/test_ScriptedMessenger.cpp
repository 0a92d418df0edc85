// The tests' scripted Messenger is strict: a question nobody scripted, or an answer nobody asked for, fails
// the test that made it.

#include "support/ScriptedMessenger.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

TEST(ScriptedMessengerStrictness, AnUnscriptedQuestionFailsNamingItAndChangesNothing) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessenger m;
            EXPECT_FALSE(m.okCancel(QStringLiteral("Delete it?"), {}, MsgIcon::None));
        },
        "Unscripted OK/Cancel question: \"Delete it?\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessenger m;
            EXPECT_EQ(m.inputBox(QStringLiteral("Name?"), {}, {}), std::nullopt);
        },
        "Unscripted input box question: \"Name?\"");
}

TEST(ScriptedMessengerStrictness, AnAnswerLeftUnusedFailsAtTheEnd) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessenger m;
            m.answers.enqueue(true);
            m.answers.enqueue(false);
            EXPECT_TRUE(m.yesNo(QStringLiteral("Sure?"), {}, MsgIcon::None));
        },
        "1 scripted OK/Cancel or Yes/No answer(s) never asked for; questions asked: \"Sure?\"");
}
