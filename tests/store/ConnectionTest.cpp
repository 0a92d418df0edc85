#include "StoreFixture.h"
#include "store/Schema.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsSEQUENCE_RAMP.h"
#include "store/clsSEQUENCE_RAMP_DEFINE.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#undef EOF  // the record classes' EOF(), not the C library's macro

namespace {

const QStringList kTables{"TEST_INFO",     "TEST_RESULT",   "TEST_ADDITIVE",
                          "SEQUENCE_INFO", "SEQUENCE_RAMP", "SEQUENCE_RAMP_DEFINE"};

// The designed tables of the file (the program's own tables beside them left out).
QStringList tablesIn(clsConnection& connection) {
    QSqlQuery query(connection.ADOConnection());
    query.exec(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'"));
    QStringList names;
    const auto ours = [](const QString& name) {
        for (const store::TableSchema& t : store::featureTables())
            if (t.name == name) return true;
        return false;
    };
    while (query.next())
        if (!ours(query.value(0).toString())) names << query.value(0).toString();
    names.sort();
    return names;
}

}  // namespace

TEST(ConnectionOpen, MissingFileIsCreatedWithTheSixTablesAndTheOperatorIsToldOnceWithItsFullPath) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    {
        clsConnection connection(&messenger);
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        EXPECT_TRUE(connection.LastError().isEmpty());
        QStringList expected = kTables;
        expected.sort();
        EXPECT_EQ(tablesIn(connection), expected);
    }
    clsConnection again(&messenger);
    again.OpenDB();
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].kind, ScriptedMessenger::Kind::Info);
    EXPECT_TRUE(messenger.shown[0].text.contains(QDir::toNativeSeparators(dir.file("R7716.mdb"))));
}

TEST(ConnectionOpen, AnEmptyFileIsMadeIntoTheDatabaseAndTheOperatorIsTold) {
    TempWorkDir dir;
    QFile(dir.file("R7716.mdb")).open(QIODevice::WriteOnly);
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    ASSERT_TRUE(connection.IsOpen());
    EXPECT_EQ(tablesIn(connection).size(), 6);
    EXPECT_EQ(messenger.shown.size(), 1);
}

TEST(ConnectionOpen, ConnectionStringNamesTheWorkingDirectory) {
    TempWorkDir dir;
    clsConnection connection;
    connection.OpenDB();
    EXPECT_EQ(connection.ConnectionString(),
              "Provider=Microsoft.Jet.OLEDB.3.51; Data Source= " + QDir::currentPath() +
                  "\\R7716.mdb ; Persist Security Info=True");
    EXPECT_EQ(connection.FilePath(), dir.file("R7716.mdb"));
}

TEST(ConnectionOpen, EveryCommitIsFlushedThroughTheWriteAheadLog) {
    TempWorkDir dir;
    clsConnection connection;
    connection.OpenDB();
    EXPECT_EQ(connection.JournalMode(), "wal");
    QSqlQuery query(connection.ADOConnection());
    ASSERT_TRUE(query.exec("PRAGMA synchronous") && query.next());
    EXPECT_EQ(query.value(0).toInt(), 2);  // FULL
}

TEST(ConnectionOpen, TheArgumentsOfOpenDbHaveNoEffect) {
    TempWorkDir dir;
    const QStringList argumentSets[] = {
        {"", "", "", ""}, {"R7716", "admin", "secret", ""}, {"x:/other.mdb", "u", "p", "z"}};
    for (const QStringList& args : argumentSets) {
        clsConnection connection;
        connection.OpenDB(args[0], args[1], args[2], args[3]);
        ASSERT_TRUE(connection.IsOpen());
        EXPECT_EQ(connection.FilePath(), dir.file("R7716.mdb"));
        QSqlQuery(connection.ADOConnection())
            .exec(QStringLiteral("INSERT INTO SEQUENCE_INFO (SEQUENCE_NAME) VALUES ('%1')").arg(args[1]));
    }
    clsConnection connection;
    connection.OpenDB();
    QSqlQuery query(connection.ADOConnection());
    ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM SEQUENCE_INFO") && query.next());
    EXPECT_EQ(query.value(0).toInt(), 3);
}

TEST(ConnectionOpen, AnotherWorkingDirectoryOpensTheFileThere) {
    TempWorkDir first;
    clsConnection a;
    a.OpenDB();
    clsSEQUENCE_INFO info;
    info.ConnectX(a);
    info.setSEQUENCE_NAME("only in the first");
    info.AddNew();
    {
        TempWorkDir second;
        clsConnection b;
        b.OpenDB();
        EXPECT_EQ(b.FilePath(), second.file("R7716.mdb"));
        clsSEQUENCE_INFO other;
        other.ConnectX(b);
        EXPECT_EQ(other.JustName().rowCount(), 0);
    }
    info.ConnectX(a);
    EXPECT_EQ(info.JustName().rowCount(), 1);
}

TEST(ConnectionOpen, AValidDatabaseLackingTablesGetsThemAndKeepsItsRows) {
    TempWorkDir dir;
    {
        const QString name = "partial";
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(dir.file("R7716.mdb"));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(
            "CREATE TABLE SEQUENCE_INFO (SEQUENCE_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
            "SEQUENCE_NAME TEXT, TIME_BEFORE_READ REAL, RAMP_SAMPLE_RATE REAL, SAMPLE_POINTS_AVERAGE "
            "REAL, SHUT_DOWN_ATIME REAL, SHUT_DOWN_VISC REAL, SAMPLE_INTERVAL REAL)"));
        ASSERT_TRUE(query.exec("INSERT INTO SEQUENCE_INFO (SEQUENCE_NAME) VALUES ('kept')"));
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    ASSERT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
    EXPECT_EQ(tablesIn(connection).size(), 6);
    clsSEQUENCE_INFO info;
    info.ConnectX(connection);
    EXPECT_EQ(info.JustName().value(0, 0).toString(), "kept");
    EXPECT_TRUE(messenger.shown.isEmpty());
}

// A file that is not a usable database: the operator sees the error, the program goes on, every later
// statement raises StoreError, and the file itself is left exactly as it was.
struct UnusableFile {
    const char* name;
    int errorNumber;
    std::function<void(const QString& path)> make;
};

class ConnectionUnusableFile : public ::testing::TestWithParam<UnusableFile> {};

TEST_P(ConnectionUnusableFile, ShowsTheOpenErrorAndEveryLaterStatementRaisesStoreError) {
    TempWorkDir dir;
    const QString path = dir.file("R7716.mdb");
    GetParam().make(path);
    const QByteArray before = QFileInfo(path).isFile() ? [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }()
                                                       : QByteArray();
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();

    EXPECT_FALSE(connection.IsOpen());
    EXPECT_TRUE(connection.LastError().startsWith(
        QStringLiteral("clsConnection.OpenConnection: Error #: %1\r\n").arg(GetParam().errorNumber)))
        << connection.LastError().toStdString();
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, connection.LastError());
    EXPECT_THROW(connection.ADOConnection(), StoreError);
    EXPECT_THROW(connection.BeginTrans(), StoreError);

    clsTEST_INFO info;
    clsTEST_RESULT result;
    clsTEST_ADDITIVE additive;
    clsSEQUENCE_INFO sequence;
    clsSEQUENCE_RAMP ramp;
    clsSEQUENCE_RAMP_DEFINE define;
    const std::vector<std::function<void()>> actions{
        [&] { info.ConnectX(connection); },
        [&] { info.GetTestDetail(); },
        [&] { info.AddNew(); },
        [&] { info.Update(); },
        [&] { info.Delete(); },
        [&] { result.ConnectX(connection); },
        [&] { result.GetTestDetail(); },
        [&] { result.AddNew(); },
        [&] { result.Delete(); },
        [&] { additive.ConnectX(connection); },
        [&] { additive.AddNew(); },
        [&] { sequence.ConnectX(connection); },
        [&] { sequence.GetSeqDetail(); },
        [&] { sequence.Update(); },
        [&] { sequence.Delete(); },
        [&] { sequence.Refresh(); },
        [&] { ramp.GetSeqDetail(); },
        [&] { define.AddNew(); },
    };
    for (const auto& action : actions) EXPECT_THROW(action(), StoreError);
    result.MoveFirst();
    result.MoveNext();
    EXPECT_TRUE(result.EOF());

    if (!before.isNull()) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConnectionUnusableFile,
    ::testing::Values(UnusableFile{"Garbage", 26,
                                   [](const QString& path) {
                                       QFile f(path);
                                       f.open(QIODevice::WriteOnly);
                                       f.write(QByteArray(4096, '\x5a'));
                                   }},
                      UnusableFile{"TextFile", 26,
                                   [](const QString& path) {
                                       QFile f(path);
                                       f.open(QIODevice::WriteOnly);
                                       f.write("Standard Jet DB\r\nnot for this program\r\n");
                                   }},
                      UnusableFile{"Directory", 14, [](const QString& path) { QDir().mkpath(path); }},
                      UnusableFile{"ForeignTableShape", StoreError::kBadSchema,
                                   [](const QString& path) {
                                       QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
                                       db.setDatabaseName(path);
                                       db.open();
                                       QSqlQuery(db).exec("CREATE TABLE TEST_INFO (ID INTEGER, WHAT TEXT)");
                                       db.close();
                                       db = QSqlDatabase();
                                       QSqlDatabase::removeDatabase("foreign");
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionOpen, AFileLockedByAnotherProgramIsReportedAsBusyAfterTheWait) {
    TempWorkDir dir;
    {
        clsConnection creator;
        creator.OpenDB();
    }
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "holder");
    other.setDatabaseName(dir.file("R7716.mdb"));
    ASSERT_TRUE(other.open());
    {
        QSqlQuery hold(other);
        ASSERT_TRUE(hold.exec("PRAGMA locking_mode=EXCLUSIVE"));
        ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
        ASSERT_TRUE(hold.exec("INSERT INTO SEQUENCE_INFO (SEQUENCE_NAME) VALUES ('held')"));

        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.setBusyTimeout_ms(100);
        connection.OpenDB();
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_TRUE(connection.LastError().startsWith("clsConnection.OpenConnection: Error #: 5\r\n"))
            << connection.LastError().toStdString();
        EXPECT_EQ(messenger.shown.size(), 1);
        hold.exec("ROLLBACK");
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    EXPECT_TRUE(QFileInfo(dir.file("R7716.mdb")).isFile());
}

class ConnectionTransactions : public EngineStore {};

TEST_P(ConnectionTransactions, TokensFollowTheOpenTransaction) {
    const int token = connection.BeginTrans();
    EXPECT_GE(token, 1);
    EXPECT_LE(token, 1000000);
    EXPECT_TRUE(connection.InTransaction());
    EXPECT_EQ(connection.BeginTrans(), 0);
    EXPECT_FALSE(connection.CommitTrans(0));
    EXPECT_FALSE(connection.RollBack(token + 1));
    EXPECT_TRUE(connection.InTransaction());
    EXPECT_TRUE(connection.CommitTrans(token));
    EXPECT_FALSE(connection.InTransaction());
    EXPECT_FALSE(connection.CommitTrans(token));
    EXPECT_FALSE(connection.RollBack(token));
}

TEST_P(ConnectionTransactions, RollBackUndoesAndCommitKeepsTheRecordsWrittenInside) {
    clsSEQUENCE_INFO info;
    info.ConnectX(connection);
    for (const bool commit : {false, true}) {
        const int token = connection.BeginTrans();
        info.setSEQUENCE_NAME(commit ? "committed" : "rolled back");
        info.AddNew();
        EXPECT_TRUE(commit ? connection.CommitTrans(token) : connection.RollBack(token));
    }
    info.ConnectX(connection);
    ASSERT_EQ(info.JustName().rowCount(), 1);
    EXPECT_EQ(info.JustName().value(0, 0).toString(), "committed");
}

TEST_P(ConnectionTransactions, RecordObjectsRaiseStoreErrorOnceTheirConnectionIsGoneOrReopened) {
    clsSEQUENCE_RAMP ramp;
    {
        clsConnection shortLived;
        shortLived.OpenDB();
        ramp.ConnectX(shortLived);
        ramp.AddNew();
    }
    EXPECT_THROW(ramp.AddNew(), StoreError);

    clsSEQUENCE_RAMP_DEFINE define;
    define.ConnectX(connection);
    connection.OpenDB();
    EXPECT_THROW(define.GetSeqDetail(), StoreError);
    define.ConnectX(connection);
    EXPECT_NO_THROW(define.GetSeqDetail());
}

INSTANTIATE_ON_BOTH_ENGINES(ConnectionTransactions);
