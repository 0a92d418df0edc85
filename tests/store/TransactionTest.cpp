#include "StoreFixture.h"
#include "store/NewTest.h"
#include "store/Transaction.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsTEST_INFO.h"

#include <functional>
#include <optional>

namespace {

using store::Transaction;

template <class Fixture>
class Guard : public Fixture {
  protected:
    void add(const QString& name) {
        info.ConnectX(this->connection);
        info.setSEQUENCE_NAME(name);
        info.AddNew();
    }
    QString stored() {
        QSqlQuery query(this->connection.ADOConnection());
        query.exec("SELECT SEQUENCE_NAME FROM SEQUENCE_INFO ORDER BY 1");
        QStringList names;
        while (query.next()) names << query.value(0).toString();
        return names.join(u',');
    }
    clsSEQUENCE_INFO info;
};
using TransactionGuard = Guard<EngineStore>;
using FileTransactionGuard = Guard<SqliteStore>;

TEST_P(TransactionGuard, KeepsWhatIsCommittedAndUndoesTheRestAtEveryLevel) {
    const int token = connection.BeginTrans();
    {
        Transaction inner(connection);
        EXPECT_TRUE(inner.isNested() && connection.BeginTrans() == 0);
        EXPECT_FALSE(connection.CommitTrans(token)) << "a guard inside it is still open";
        add("kept");
        {
            Transaction undone(connection);
            add("undone by its scope");
        }
        inner.commit();
    }
    EXPECT_TRUE(connection.CommitTrans(token));
    {
        Transaction outer(connection);
        Transaction inner(connection);
        add("undone with the outer one");
        inner.commit();
    }
    EXPECT_FALSE(connection.InTransaction());
    EXPECT_EQ(stored(), "kept");
}

// A full disk, as the page limit or as the engine undoing the whole transaction by itself (which it may do
// then), inside StoreNewTest alone and inside a caller's transaction that carries on after it.
TEST_F(FileTransactionGuard, AFullDiskIsReportedWithItsOwnReasonAndNothingIsWrittenOutsideTheTransaction) {
    const std::tuple<QString, int, bool> cases[] = {
        {QStringLiteral("PRAGMA max_page_count = %1").arg(sql("PRAGMA page_count").toInt() + 4), 13, false},
        {"CREATE TRIGGER undo_all BEFORE INSERT ON TEST_RESULT WHEN NEW.RESULT_TIME = 4000 "
         "BEGIN SELECT RAISE(ROLLBACK, 'database or disk is full'); END",
         1811, false},  // the engine's code for a trigger's refusal
        {"", 1811, true},
    };
    clsTEST_INFO test;
    test.ConnectX(connection);
    test.setTEST_NAME(QStringLiteral("Too big"));
    std::vector<Reading> readings(5000);
    for (int i = 0; i < 5000; ++i) readings[i].time_s = i;
    for (const auto& [fill, number, inCallers] : cases) {
        if (!fill.isEmpty()) sql(fill);
        {
            std::optional<Transaction> callers;
            if (inCallers) callers.emplace(connection);
            try {
                StoreNewTest(connection, test, {}, readings);
                ADD_FAILURE() << "the test was stored";
            } catch (const StoreError& e) {
                EXPECT_EQ(e.report(), QStringLiteral("Error #: %1\r\ndatabase or disk is full").arg(number));
            }
            if (inCallers) {
                EXPECT_THROW(add("after"), StoreError);
                EXPECT_THROW(callers->commit(), StoreError);
            }
        }
        EXPECT_FALSE(connection.InTransaction());
        EXPECT_EQ(count(QStringLiteral("TEST_INFO")) + count(QStringLiteral("TEST_RESULT")), 0);
        sql(QStringLiteral("PRAGMA max_page_count = 1000000"));
    }
    add("small");  // the connection writes on
    EXPECT_EQ(stored(), "small");
}

INSTANTIATE_ON_BOTH_ENGINES(TransactionGuard);

}  // namespace
