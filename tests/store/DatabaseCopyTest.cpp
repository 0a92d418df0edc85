// Copying between databases: what the target holds by name, in any letter case, is left alone.
#include "StoreFixture.h"
#include "store/DatabaseCopy.h"
#include "store/clsTEST_INFO.h"
#include "support/QStringPrinter.h"
#include "support/StoredTestBuilder.h"

namespace {

class DatabaseCopy : public EngineStore {};

TEST_P(DatabaseCopy, NamesHeldInAnyLetterCaseAreSkippedAndATestWithoutTimeKeepsNone) {
    clsConnection station;
    station.setLocation(store::DatabaseLocation::file("station.mdb"));
    station.OpenDB();
    ASSERT_TRUE(station.IsOpen());
    stored_test::store(station, stored_test::rampsOneAndThree("Guar 30"));
    stored_test::store(station, {.name = "No time"});
    clsTEST_INFO untimed;
    untimed.ConnectX(station);
    untimed.setTEST_NAME("No time");
    untimed.GetTestDetail();
    untimed.setTEST_TIME(clsTEST_INFO::noTestTime());
    untimed.Update();
    stored_test::store(connection, {.name = "GUAR 30", .researcher = "Held"});

    std::vector<std::pair<QString, bool>> steps;
    const store::CopyTotals totals =
        store::CopyDatabase(station, connection,
                            [&](const store::CopyStep& step) { steps.emplace_back(step.name, step.copied); });
    // Oldest first; a test without a time is listed as the oldest.
    EXPECT_EQ(steps, (std::vector<std::pair<QString, bool>>{{"No time", true}, {"Guar 30", false}}));
    EXPECT_EQ(totals.testsCopied + totals.testsSkipped, 2);
    EXPECT_EQ(count("TEST_INFO", "TEST_NAME = 'GUAR 30' AND RESEARCHER_NAME = 'Held'"), 1);
    EXPECT_EQ(count("TEST_INFO", "TEST_NAME = 'No time' AND TEST_TIME IS NULL"), 1);
}

INSTANTIATE_ON_BOTH_ENGINES(DatabaseCopy);

}  // namespace
