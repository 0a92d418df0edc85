#include "StoreFixture.h"
#include "store/NewTest.h"
#include "store/ReadingWriter.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <algorithm>

#undef EOF  // the record classes' EOF(), not the C library's macro

// Tests stored and read back through the real record classes on a real database of each engine.
class TestRecords : public EngineStore {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        info.ConnectX(connection);
        result.ConnectX(connection);
        additive.ConnectX(connection);
    }

    // Creates a test the way the test run does; returns its key.
    int createTest(const QString& name, const QDateTime& when, int readings = 0, int additives = 0) {
        info.SetDefaults();
        info.setTEST_NAME(name);
        info.setTEST_TIME(when);
        info.AddNew();
        info.setTEST_NAME(name);
        info.GetTestDetail();
        const int id = static_cast<int>(info.Test_Id());
        for (int i = 0; i < readings; ++i) {
            result.setTest_Id(id);
            result.setRESULT_TIME(i);
            result.AddNew();
        }
        for (int i = 0; i < additives; ++i) {
            additive.setTESTId(id);
            additive.setADDITIVE_NM(QStringLiteral("additive %1").arg(i));
            additive.AddNew();
        }
        return id;
    }

    // The test time as the database holds it, as text.
    QString storedTime() { return sql("SELECT CAST(TEST_TIME AS TEXT) FROM TEST_INFO").toString(); }

    clsTEST_INFO info;
    clsTEST_RESULT result;
    clsTEST_ADDITIVE additive;
};

TEST_P(TestRecords, EveryFieldOfATestComesBackAsStored) {
    const QDateTime when(QDate(2024, 6, 30), QTime(23, 59, 58));
    info.setAll({0, "HPHT-17", "Borate XL", when, "", "R2", "B4", 1.2276, 7.2, 9.5, 10.25, "H2S present"});
    info.AddNew();
    EXPECT_EQ(info.Test_Id(), 0);  // the new key is learnt only by looking the test up
    info.GetTestDetail();
    EXPECT_GT(info.Test_Id(), 0);
    const QVariantList all = info.All();
    EXPECT_EQ(all.mid(1, 11), (QVariantList{"HPHT-17", "Borate XL", when, "", "R2", "B4", 1.2276, 7.2, 9.5,
                                            10.25, "H2S present"}));
    EXPECT_EQ(storedTime(), "2024-06-30 23:59:58");
}

TEST_P(TestRecords, NullColumnsLeaveTheFieldsAtTheirDefaults) {
    sql("INSERT INTO TEST_INFO (TEST_NAME) VALUES ('bare')");
    sql("INSERT INTO TEST_RESULT (TEST_ID, RESULT_TIME) VALUES (1, NULL)");
    info.setTEST_NAME("bare");
    info.GetTestDetail();
    QVariantList all = info.All();
    EXPECT_LE(qAbs(all[3].toDateTime().secsTo(QDateTime::currentDateTime())), 2);  // the time of reading
    all[3] = QVariant();
    EXPECT_EQ(all, (QVariantList{1.0, "bare", "", QVariant(), "UNKOWN", "R1", "B5", 1.5987, 7.62, 7.0, 7.0,
                                 "", QVariant()}));
    result.setTest_Id(1);
    result.GetTestDetail();
    EXPECT_EQ(result.All(), (QVariantList{1.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0}));
}

TEST_P(TestRecords, TheNoTimeSentinelIsStoredAsNullByUpdateAndReadBackAsTheTimeOfReading) {
    createTest("sentinel", clsTEST_INFO::noTestTime());
    EXPECT_EQ(storedTime(), "1800-01-01 00:00:00");  // AddNew keeps it
    info.setTEST_TIME(clsTEST_INFO::noTestTime());
    info.Update();
    EXPECT_TRUE(sql("SELECT TEST_TIME FROM TEST_INFO").isNull());
    info.setTEST_NAME("sentinel");
    info.GetTestDetail();
    EXPECT_LE(qAbs(info.TEST_TIME().secsTo(QDateTime::currentDateTime())), 2);

    info.setTEST_TIME(QDateTime(QDate(1800, 1, 1), QTime(0, 0, 1)));  // not the sentinel
    info.Update();
    EXPECT_EQ(storedTime(), "1800-01-01 00:00:01");
}

TEST_P(TestRecords, TimesWrittenInTheIsoTFormAreReadToo) {
    sql("INSERT INTO TEST_INFO (TEST_NAME, TEST_TIME) VALUES ('iso', '2023-01-02T03:04:05')");
    info.setTEST_NAME("iso");
    info.GetTestDetail();
    EXPECT_EQ(info.TEST_TIME(), QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)));
}

TEST_P(TestRecords, TheListOfTestsIsNewestFirstAndReplacedByALookup) {
    createTest("old", QDateTime(QDate(2020, 1, 1), QTime(8, 0)));
    createTest("new", QDateTime(QDate(2024, 1, 1), QTime(8, 0)));
    createTest("middle", QDateTime(QDate(2022, 1, 1), QTime(8, 0)));
    info.ConnectX(connection);
    const RecordTable list = info.UsedName();
    ASSERT_EQ(list.columnCount(), 3);
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.value(0, 0).toString(), "new");
    EXPECT_EQ(list.value(0, 2).toString(), "old");
    EXPECT_EQ(list.value(1, 1).toDateTime(), QDateTime(QDate(2022, 1, 1), QTime(8, 0)));
    EXPECT_EQ(list.value(2, 0).toString(), "UNKOWN");
    // Moving through the list loads the listed fields into the current row.
    info.MoveLast();
    EXPECT_EQ(info.TEST_NAME(), "old");
    info.setTEST_NAME("middle");
    info.GetTestDetail();
    EXPECT_EQ(info.UsedName().columnCount(), 12);
}

TEST_P(TestRecords, AnEmptyTextIsStoredAsEmptyNotAsNull) {
    info.setTEST_NAME("blank researcher");
    info.setRESEARCHER_NAME("");
    info.AddNew();
    info.GetTestDetail();
    EXPECT_EQ(info.RESEARCHER_NAME(), "");
}

TEST_P(TestRecords, ReadingsComeBackInTimeOrderWhateverTheOrderOfInsertion) {
    const double times[] = {30, 0, 10, 20, 5, 10};
    for (int i = 0; i < 6; ++i) {
        result.setTest_Id(8);
        result.setRESULT_TIME(times[i]);
        result.setRESULT_SHEAR_STRESS(i);  // insertion order
        result.AddNew();
    }
    result.setTest_Id(8);
    result.setRESULT_TIME(0);
    result.setRESULT_SHEAR_STRESS(0);
    result.AddNew();  // a reading of all zeros is stored like any other
    result.setTest_Id(8);
    result.ConnectX(connection);
    EXPECT_EQ(result.TotalPoints(), 7);
    EXPECT_EQ(result.RESULT_TIME(), 0);  // ConnectX loads the first reading
    std::vector<std::pair<double, double>> got;
    for (const auto& row : result.rTestResult())
        got.emplace_back(row[TestResultColumn::RESULT_TIME], row[TestResultColumn::RESULT_SHEAR_STRESS]);
    // Equal times keep the order in which they were stored.
    EXPECT_EQ(got, (std::vector<std::pair<double, double>>{
                       {0, 1}, {0, 0}, {5, 4}, {10, 2}, {10, 5}, {20, 3}, {30, 0}}));
}

TEST_P(TestRecords, ATestStoredWholeComesBackValueForValueInItsOrder) {
    // Long enough to go out in several pieces on either engine, with a rest that fills no whole piece;
    // times that repeat (a ramp's points share their second) and values that need every digit.
    std::vector<Reading> readings;
    for (int i = 0; i < 6037; ++i)
        readings.push_back({double(1 + i / 100), double(i % 7), double(i / 3), 75 + i / 3.0, -i * 1e-7,
                            1e300 / (i + 1), 0.1 + i * 1e-13, double(i % 2), 1.0 / (i + 7)});
    info.SetDefaults();
    info.setTEST_NAME("Whole");
    result.setTest_Id(int(StoreNewTest(connection, info, {}, readings)));
    result.GetTestDetail();
    std::vector<Reading> back;
    for (const clsTEST_RESULT::Row& row : result.rTestResult()) back.push_back(ReadingOfRow(row));
    EXPECT_TRUE(back == readings) << "in the order stored, to the last digit";
}

TEST_P(TestRecords, AWholeTestRefusedPartWayLeavesNothingAndTheNextIsStored) {
    if (GetParam() == Engine::Sqlite) {
        sql("CREATE TRIGGER refuse BEFORE INSERT ON TEST_RESULT WHEN NEW.RESULT_TIME > 1000 BEGIN SELECT "
            "RAISE(ABORT, 'refused'); END");
    } else {
        sql("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.RESULT_TIME > 1000 "
            "THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$");
        sql("CREATE TRIGGER refuse BEFORE INSERT ON TEST_RESULT FOR EACH ROW EXECUTE FUNCTION refuse()");
    }
    std::vector<Reading> readings(3000);
    for (std::size_t i = 0; i < readings.size(); ++i) readings[i].time_s = double(i);
    info.SetDefaults();
    info.setTEST_NAME("Refused");
    EXPECT_THROW(StoreNewTest(connection, info, {{"Guar", 30, "lb/Mgal", "G-1"}}, readings), StoreError);
    EXPECT_EQ(count("TEST_INFO") + count("TEST_RESULT") + count("TEST_ADDITIVE"), 0);
    EXPECT_FALSE(connection.InTransaction());
    readings.resize(1001);
    info.setTEST_NAME("Stored");
    StoreNewTest(connection, info, {}, readings);
    EXPECT_EQ(count("TEST_RESULT"), 1001);
}

TEST_P(TestRecords, AdditivesAreInsertedWithAZeroKeyAndReadBackPerTest) {
    additive.setTESTADD_ID(55);
    additive.setTESTId(2);
    additive.setADDITIVE_NM("Guar");
    additive.setADD_CONCEN(40);
    additive.setADD_UNIT("lb/Mgal");
    additive.setADD_LOTNO("L-9");
    additive.AddNew();
    EXPECT_EQ(additive.TESTADD_ID(), 0);
    additive.GetSeqDetail();
    EXPECT_EQ(additive.All().mid(1), (QVariantList{2.0, "Guar", 40.0, "lb/Mgal", "L-9"}));
    EXPECT_GT(additive.TESTADD_ID(), 0);
    additive.Delete();
    additive.GetSeqDetail();
    EXPECT_TRUE(additive.EOF());
}

TEST_P(TestRecords, DuplicateNamesOfAnOlderFileLookUpTheFirstAndDeleteRemovesThemAllWithTheirRows) {
    sql("DROP INDEX TEST_INFO_NAME_UNIQUE");  // an older file, made before names were kept unique
    const int first = createTest("twice", QDateTime(QDate(2021, 5, 5), QTime(1, 0)), 3, 2);
    createTest("twice", QDateTime(QDate(2021, 5, 6), QTime(1, 0)), 4, 1);
    const int other = createTest("other", QDateTime(QDate(2021, 5, 7), QTime(1, 0)), 2, 1);
    info.setTEST_NAME("twice");
    info.GetTestDetail();
    EXPECT_EQ(info.rowCount(), 2);
    EXPECT_EQ(info.Test_Id(), first);

    info.Delete();
    EXPECT_EQ(count("TEST_INFO"), 1);
    EXPECT_EQ(count("TEST_RESULT"), 2);
    EXPECT_EQ(count("TEST_ADDITIVE"), 1);
    EXPECT_EQ(count("TEST_RESULT", QStringLiteral("TEST_ID = %1").arg(other)), 2);
}

TEST_P(TestRecords, ADeleteThatFailsPartWayLeavesTheTestWhole) {
    createTest("kept", QDateTime(QDate(2021, 5, 5), QTime(1, 0)), 3, 2);
    refuseDeletesFrom("TEST_INFO");
    info.setTEST_NAME("kept");
    EXPECT_THROW(info.Delete(), StoreError);
    EXPECT_EQ(count("TEST_INFO"), 1);
    EXPECT_EQ(count("TEST_RESULT"), 3);
    EXPECT_EQ(count("TEST_ADDITIVE"), 2);
    EXPECT_FALSE(connection.InTransaction());
    // Nothing stays pending: the next reading is committed on its own.
    result.setTest_Id(1);
    result.AddNew();
    clsConnection reader;
    reader.OpenDB();
    QSqlQuery query(reader.ADOConnection());
    ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM TEST_RESULT") && query.next());
    EXPECT_EQ(query.value(0).toInt(), 4);
}

TEST_P(TestRecords, ADeleteInsideTheCallersTransactionIsUndoneByItsRollBack) {
    createTest("inside", QDateTime(QDate(2021, 5, 5), QTime(1, 0)), 2, 1);
    const int token = connection.BeginTrans();
    info.setTEST_NAME("inside");
    info.Delete();
    EXPECT_EQ(count("TEST_RESULT"), 0);
    EXPECT_TRUE(connection.InTransaction());
    EXPECT_TRUE(connection.RollBack(token));
    EXPECT_EQ(count("TEST_INFO"), 1);
    EXPECT_EQ(count("TEST_RESULT"), 2);
    EXPECT_EQ(count("TEST_ADDITIVE"), 1);
}

TEST_P(TestRecords, ReadingsDeletedByTestKeyLeaveOtherTestsAlone) {
    createTest("a", QDateTime(QDate(2021, 5, 5), QTime(1, 0)), 3);
    const int b = createTest("b", QDateTime(QDate(2021, 5, 6), QTime(1, 0)), 2);
    result.setTest_Id(b);
    result.Delete();
    EXPECT_EQ(count("TEST_RESULT"), 3);
}

TEST_P(TestRecords, UpdateWritesTheRowWithTheCurrentKey) {
    const int id = createTest("before", QDateTime(QDate(2021, 5, 5), QTime(1, 0)));
    createTest("untouched", QDateTime(QDate(2021, 5, 6), QTime(1, 0)));
    info.setTEST_NAME("before");
    info.GetTestDetail();
    info.setTEST_NAME("after");
    info.setSAFETY(QString(1000, 'x'));
    info.Update();
    info.setTEST_NAME("after");
    info.GetTestDetail();
    EXPECT_EQ(info.Test_Id(), id);
    EXPECT_EQ(info.All()[11].toString().size(), 1000);
    EXPECT_EQ(count("TEST_INFO", "TEST_NAME = 'untouched'"), 1);
}

INSTANTIATE_ON_BOTH_ENGINES(TestRecords);
