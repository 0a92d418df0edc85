#pragma once

#include "store/StoreError.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <random>

class Messenger;

// The one database connection of the program: created and opened by the main window at start-up and lent
// to every other window, whose record objects attach to it with ConnectX.
class clsConnection {
  public:
    // Texts of the connection, kept as the program has always shown and stored them.
    static constexpr const char* kFileName = "R7716.mdb";
    static constexpr const char* kProviderPrefix = "Provider=Microsoft.Jet.OLEDB.3.51; Data Source= ";
    static constexpr const char* kFileSuffix = "\\R7716.mdb ; ";
    static constexpr const char* kPersistSecurity = "Persist Security Info=True";
    static constexpr const char* kOpenErrorPrefix = "clsConnection.OpenConnection: Error #: ";
    static constexpr const char* kFailedToOpen = "Failed to open Database Connection!";
    // Our own text, shown once when the file did not exist and was created with the six tables.
    static constexpr const char* kNewDatabaseCreated = "A new, empty database was created:\r\n";
    // How long a statement waits for another program that holds the file locked.
    static constexpr int kDefaultBusyTimeout_ms = 20000;

    // The messenger shows the open-failure and new-database messages; it may be null (no messages).
    explicit clsConnection(Messenger* messenger = nullptr);
    ~clsConnection();
    clsConnection(const clsConnection&) = delete;
    clsConnection& operator=(const clsConnection&) = delete;

    // Opens "R7716.mdb" in the current working directory, creating it with the six tables when missing.
    // The four arguments are accepted for the callers' sake and have no effect.
    void OpenDB(const QString& dataSource = {}, const QString& userName = {}, const QString& password = {},
                const QString& extra = {});

    // The open database; throws StoreError when the connection is not open.
    QSqlDatabase ADOConnection() const;
    bool IsOpen() const { return open_; }
    QString LastError() const { return lastError_; }
    QString ConnectionString() const { return connectionString_; }
    // Full path of the database file used by the last OpenDB.
    QString FilePath() const { return filePath_; }

    int BeginTrans();
    bool CommitTrans(int token);
    bool RollBack(int token);
    bool InTransaction() const { return inTransaction_; }

    // The journal mode the engine reports after opening ("wal" normally; "delete" where the file system
    // cannot share memory between processes). Every commit is flushed to disk in either mode.
    QString JournalMode() const { return journalMode_; }

    // The wait for a lock held by another program; applies from the next OpenDB.
    int busyTimeout_ms() const { return busyTimeout_ms_; }
    void setBusyTimeout_ms(int timeout_ms) { busyTimeout_ms_ = timeout_ms; }

    // What a record object keeps instead of a plain pointer: it reads null once this object is destroyed,
    // so a record object that outlives the connection raises StoreError rather than touching freed memory.
    std::shared_ptr<clsConnection* const> link() const { return link_; }
    // Counts the opens; statements prepared under an earlier open are refused after a new OpenDB.
    int openSerial() const { return openSerial_; }

  private:
    void openFile();
    void closeDatabase();
    QSqlDatabase database() const;

    Messenger* messenger_;
    QString connectionName_;
    QString connectionString_;
    QString filePath_;
    QString lastError_;
    bool inTransaction_ = false;
    int token_ = 0;

    bool open_ = false;
    int openSerial_ = 0;
    int busyTimeout_ms_ = kDefaultBusyTimeout_ms;
    QString journalMode_;
    std::mt19937 random_;
    std::shared_ptr<clsConnection*> link_;
};
