#include "common/TextGrid.h"
#include "store/clsConnection.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoView.h"

#include <gtest/gtest.h>
#include <QSqlQuery>

#undef EOF  // the record classes' EOF(), not the C library's macro

namespace {

class TestInfoStore : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        messenger.shown.clear();  // the new-database notice
        additive_grid::setUp(grid);
    }

    // A stored test with every field set: bob B1 but a radius of its own.
    double store(const QString& name, QList<NewAdditive> additives = {},
                 QDateTime time = QDateTime(QDate(2024, 3, 1), QTime(9, 0))) {
        TestInfoInput in;
        in.testName = name;
        in.fluidId = QStringLiteral("Borate 35");
        in.researcherName = QStringLiteral("Ana");
        in.rotorNo = QStringLiteral("R1");
        in.bobNo = QStringLiteral("B1");
        in.bobRadius_cm = 1.7;
        in.bobEffLength_cm = 7.5;
        in.pretestPh = 9.5;
        in.posttestPh = 8.25;
        in.safety = QStringLiteral("H2S");
        clsTEST_INFO info;
        info.ConnectX(connection);
        in.fill(info, time);
        return StoreNewTest(connection, info, additives, {});
    }

    QStringList additiveNames(double testId) {
        clsTEST_ADDITIVE a;
        a.ConnectX(connection);
        a.setTESTId(testId);
        a.GetSeqDetail();
        QStringList names;
        if (!a.IsEmpty())
            for (a.MoveFirst(); !a.EOF(); a.MoveNext()) names << a.ADDITIVE_NM();
        return names;
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
    MemoryGrid grid{additive_grid::kCols};
};

TEST_F(TestInfoStore, OkRefusesUsedNamesWhateverTheirCaseAndEmptyNames) {
    store(QStringLiteral("Gel Test A"));
    TestInfoEntry entry(connection, messenger, grid);
    ASSERT_TRUE(entry.fillList());
    const std::pair<const char*, const char*> cases[] = {
        {"GEL TEST A", TestInfoEntry::kDuplicateName},
        {"gel test a", TestInfoEntry::kDuplicateName},
        {"", TestInfoEntry::kEmptyName},
        {"Gel Test A ", nullptr},
        {"Gel Test B", nullptr},
    };
    for (const auto& [name, message] : cases) {
        messenger.shown.clear();
        TestInfoTexts t = TestInfoTexts::initial();
        t.testName = QString::fromLatin1(name);
        EXPECT_EQ(entry.accept(t), message == nullptr) << name;
        EXPECT_EQ(messenger.texts(), message ? QStringList{QString::fromLatin1(message)} : QStringList())
            << name;
    }
    for (const char* name : {"Gel\x1b[2J", "Gel\r\nB", "Gel\tC"}) {
        messenger.shown.clear();
        TestInfoTexts t = TestInfoTexts::initial();
        t.testName = QString::fromLatin1(name);
        EXPECT_FALSE(entry.accept(t)) << name;
        EXPECT_TRUE(messenger.texts().value(0).contains("holds a control character")) << name;
    }
}

TEST_F(TestInfoStore, BothWindowsRefuseABobGeometryThatGivesNoFiniteOrSensibleFactor) {
    TestInfoEntry entry(connection, messenger, grid);
    TestInfoView view(connection, messenger, grid);
    TestInfoTexts t = TestInfoTexts::initial();
    t.testName = QStringLiteral("New");
    for (const char* radius : {"1e-300", "0.2"}) {
        t.bobRadius = QString::fromLatin1(radius);
        messenger.shown.clear();
        EXPECT_FALSE(entry.accept(t) || view.accept(t)) << radius;
        EXPECT_EQ(messenger.texts().filter("stress factor").size(), 2) << radius;
    }
}

TEST_F(TestInfoStore, GetAndCopyTakesTheStoredGeometryAndReplacesEveryAdditive) {
    store(QStringLiteral("Source"),
          {{QStringLiteral("Guar"), 35, QStringLiteral("lb/Mgal"), QStringLiteral("L1")},
           {QStringLiteral("Breaker"), -0.5, QString(), QStringLiteral("L2")}});
    store(QStringLiteral("Bare"), {}, QDateTime(QDate(2024, 4, 1), QTime(9, 0)));  // newest first
    TestInfoEntry entry(connection, messenger, grid);
    ASSERT_TRUE(entry.fillList());
    EXPECT_EQ(entry.pickNames(), (QStringList{QStringLiteral("Bare"), QStringLiteral("Source")}));
    for (int r = 1; r <= 4; ++r) grid.setTextMatrix(r, 0, QStringLiteral("old"));

    TestInfoTexts t = TestInfoTexts::initial(QDate(2025, 1, 2));
    t.testName = QStringLiteral("New");
    const TestInfoTexts before = t;
    entry.copyFrom(QStringLiteral("SOURCE"), t);  // exact names only
    EXPECT_EQ(t, before);
    EXPECT_EQ(messenger.texts(), QStringList{TestInfoEntry::kCopyNotFound});

    entry.copyFrom(QStringLiteral("Source"), t);
    EXPECT_EQ(t.testName, QStringLiteral("New"));
    EXPECT_EQ(t.testDate, before.testDate);
    EXPECT_EQ(t.bobNo, QStringLiteral("B1"));
    EXPECT_EQ(t.bobRadius, QStringLiteral("1.7"));  // not the table's 1.7245
    EXPECT_EQ(t.bobLength, QStringLiteral("7.5"));
    EXPECT_EQ(t.postTestPh, QStringLiteral("8.25"));
    EXPECT_EQ(t.safety, QStringLiteral("H2S"));
    EXPECT_EQ(grid.TextMatrix(1, 1), QStringLiteral(" 35"));
    EXPECT_EQ(grid.TextMatrix(2, 1), QStringLiteral("-.5"));
    EXPECT_EQ(grid.TextMatrix(3, 0), QString());
    EXPECT_EQ(entry.input(t).additives.size(), 2);

    entry.copyFrom(QStringLiteral("Bare"), t);
    EXPECT_EQ(grid.TextMatrix(1, 0), QString());
    EXPECT_TRUE(entry.input(t).additives.isEmpty());
}

TEST_F(TestInfoStore, AdditiveRowsAfterTheFirstEmptyNameAreNotHandedBack) {
    TestInfoEntry entry(connection, messenger, grid);
    grid.setTextMatrix(1, 0, QStringLiteral("Guar"));
    grid.setTextMatrix(1, 1, QStringLiteral(" 35 lb"));
    grid.setTextMatrix(3, 0, QStringLiteral("Stray"));
    const auto additives = entry.input(TestInfoTexts::initial()).additives;
    ASSERT_EQ(additives.size(), 1);
    EXPECT_EQ(additives[0].concentration, 35);
}

TEST_F(TestInfoStore, ANameStoredSinceTheListWasReadIsFoundByTheFreshList) {
    TestInfoEntry entry(connection, messenger, grid);
    ASSERT_TRUE(entry.fillList());
    store(QStringLiteral("Late"));
    EXPECT_FALSE(TestInfoEntry::nameProblem(entry.pickNames(), QStringLiteral("LATE")));
    EXPECT_EQ(TestInfoEntry::nameProblem(TestInfoEntry::storedNames(connection), QStringLiteral("LATE")),
              QString::fromLatin1(TestInfoEntry::kDuplicateName));
}

TEST_F(TestInfoStore, ViewSavesTheRowAndTheAdditivesButNeverTheNameOrTime) {
    const double id = store(QStringLiteral("Edit me"), {{QStringLiteral("Guar"), 35, QString(), QString()}});
    TestInfoView view(connection, messenger, grid);
    auto t = view.load(QStringLiteral("Edit me"), id);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->bobRadius, QStringLiteral("1.7"));
    t->testName = QStringLiteral("Renamed");
    t->fluidId = QStringLiteral("Linear 20");
    t->preTestPh = QStringLiteral("6.5abc");
    grid.setTextMatrix(2, 0, QStringLiteral("Clay"));
    ASSERT_TRUE(view.accept(*t));
    ASSERT_TRUE(view.save(*t));

    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME(QStringLiteral("Edit me"));
    info.GetTestDetail();
    EXPECT_EQ(info.Test_Id(), id);
    EXPECT_EQ(info.Fluid_ID(), QStringLiteral("Linear 20"));
    EXPECT_EQ(info.PreTest_PH(), 6.5);
    EXPECT_EQ(info.TEST_TIME(), QDateTime(QDate(2024, 3, 1), QTime(9, 0)));
    EXPECT_EQ(additiveNames(id), (QStringList{QStringLiteral("Guar"), QStringLiteral("Clay")}));
}

TEST_F(TestInfoStore, ViewKeepsAMissingTestTimeMissing) {
    const double id = store(QStringLiteral("No time"), {}, clsTEST_INFO::noTestTime());
    QSqlQuery(connection.ADOConnection()).exec(QStringLiteral("UPDATE TEST_INFO SET TEST_TIME = NULL"));
    TestInfoView view(connection, messenger, grid);
    const auto t = view.load(QStringLiteral("No time"), id);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->testDate, QString());
    ASSERT_TRUE(view.save(*t));
    QSqlQuery q(QStringLiteral("SELECT TEST_TIME FROM TEST_INFO"), connection.ADOConnection());
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(0).isNull());
}

TEST_F(TestInfoStore, AFailedViewSaveChangesNothing) {
    const double id = store(QStringLiteral("Keep"), {{QStringLiteral("Guar"), 35, QString(), QString()}});
    TestInfoView view(connection, messenger, grid);
    auto t = view.load(QStringLiteral("Keep"), id);
    ASSERT_TRUE(t);
    t->fluidId = QStringLiteral("Changed");
    grid.setTextMatrix(2, 0, QStringLiteral("boom"));
    // The second additive's insert fails after the row update and the additive delete have run.
    QSqlQuery(connection.ADOConnection())
        .exec(
            QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON TEST_ADDITIVE WHEN NEW.ADDITIVE_NM = 'boom' "
                           "BEGIN SELECT RAISE(ABORT, 'forced'); END"));
    EXPECT_FALSE(view.save(*t));
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.startsWith(QString::fromLatin1(TestInfoView::kSaveFailed)));

    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME(QStringLiteral("Keep"));
    info.GetTestDetail();
    EXPECT_EQ(info.Fluid_ID(), QStringLiteral("Borate 35"));
    EXPECT_EQ(additiveNames(id), QStringList{QStringLiteral("Guar")});
}

}  // namespace
