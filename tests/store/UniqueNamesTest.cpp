#include "StoreFixture.h"
#include "store/NewTest.h"
#include "store/clsTEST_INFO.h"

#include <functional>

namespace {

int refusal(const std::function<void()>& write) {
    try {
        write();
    } catch (const StoreError& e) {
        return e.number();
    }
    return 0;
}

TEST(UniqueNames, AnOlderFileWithNamesInTwoCasesWorksOnAndSaysSoOnceUntilTheyAreGone) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    QSqlQuery(connection.ADOConnection()).exec("DROP INDEX TEST_INFO_NAME_UNIQUE");
    QSqlQuery(connection.ADOConnection())
        .exec("INSERT INTO TEST_INFO (TEST_NAME) VALUES ('abc'), ('ABC'), ('x')");
    messenger.shown.clear();
    connection.OpenDB();
    ASSERT_TRUE(connection.IsOpen());
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.contains(QStringLiteral("test names: \"ABC\", \"abc\"")));
    clsTEST_INFO test;
    test.ConnectX(connection);
    test.setTEST_NAME(QStringLiteral("X"));
    EXPECT_EQ(refusal([&] { StoreNewTest(connection, test, {}, {}); }), StoreError::kNameTaken);

    test.setTEST_NAME(QStringLiteral("abc"));
    test.Delete();
    connection.OpenDB();
    EXPECT_EQ(messenger.shown.size(), 1);
    test.ConnectX(connection);
    test.setTEST_NAME(QStringLiteral("X"));
    EXPECT_NE(refusal([&] { test.AddNew(); }), 0) << "the database itself refuses it again";
}

}  // namespace
