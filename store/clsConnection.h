#pragma once

#include "store/DatabaseLocation.h"
#include "store/StoreError.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <optional>
#include <random>

class Messenger;
namespace store {
class Transaction;
struct SchemaOutcome;
}  // namespace store

// The one database connection of the program: created and opened by the main window at start-up and lent
// to every other window, whose record objects attach to it with ConnectX. The database is the file
// "R7716.mdb" of the working directory, or the lab's PostgreSQL server when "database.txt" there names one
// (store/DatabaseLocation.h); the record classes work the same on both.
//
// A server connection can break (a restart, the network): the next statement then fails with
// StoreError::kServerUnreachable, and every later use tries to connect again (within the connect timeout)
// before it runs. Selections are asked again at once on the new connection; writes are not, since a
// write may have taken effect before the connection broke, and a transaction that was open is lost whole.
// A server that cannot be reached when OpenDB runs (a station started while the server restarts) counts
// as lost the same way: the first action once it is back opens the database, tables and all.
class clsConnection {
  public:
    // Texts of the connection, kept as the program has always shown and stored them.
    static constexpr const char* kFileName = "R7716.mdb";
    static constexpr const char* kProviderPrefix = "Provider=Microsoft.Jet.OLEDB.3.51; Data Source= ";
    static constexpr const char* kFileSuffix = "\\R7716.mdb ; ";
    static constexpr const char* kPersistSecurity = "Persist Security Info=True";
    // Followed by the failure's "Error #: " report (StoreError::report).
    static constexpr const char* kOpenErrorSource = "clsConnection.OpenConnection: ";
    static constexpr const char* kFailedToOpen = "Failed to open Database Connection!";
    // Our own text, shown once when the file did not exist and was created with the six tables.
    static constexpr const char* kNewDatabaseCreated = "A new, empty database was created:\r\n";
    // Our own texts for a database that can only be read, and for names the database cannot keep unique.
    static constexpr const char* kReadOnlyRefusal =
        "The database %1 is open read-only (%2); nothing can be stored or changed in it.";
    static constexpr const char* kFileWriteProtected = "the file is write-protected";
    static constexpr const char* kOpenedForReading = "it is opened for reading only";
    static constexpr const char* kFolderWriteProtected = "its folder is write-protected";
    static constexpr const char* kCaseDuplicates =
        "Some names in the database differ only in letter case, so the database cannot itself keep names "
        "unique:\r\n%1\r\nThe program works on; new names are still checked. Rename or delete one of each "
        "pair to restore the protection.";
    // How long a statement waits for another program that holds the file locked.
    static constexpr int kDefaultBusyTimeout_ms = 20000;

    // The messenger shows the open-failure and new-database messages; it may be null (no messages).
    explicit clsConnection(Messenger* messenger = nullptr);
    ~clsConnection();
    clsConnection(const clsConnection&) = delete;
    clsConnection& operator=(const clsConnection&) = delete;

    // Opens the database of the current working directory (or the one set with setLocation), creating its
    // six tables when missing. Several programs may do so at once: the engine's locking decides which one
    // creates the tables, and no file is ever removed. A file (or folder) that this program may not write
    // is opened read-only. The four arguments are accepted for the callers' sake and have no effect.
    // When a server cannot be reached the open fails (LastError says why) but the connection counts as
    // lost: reconnectIfLost opens it later. A server that refuses the connection is not tried again.
    void OpenDB(const QString& dataSource = {}, const QString& userName = {}, const QString& password = {},
                const QString& extra = {});
    // The database the next OpenDB opens instead of the working directory's; readOnly opens it for reading
    // only (the source of a copy: nothing is created or changed in it, and a missing file stays missing).
    void setLocation(const store::DatabaseLocation& location, bool readOnly = false);
    // The database of the last OpenDB (also when it failed to open).
    const store::DatabaseLocation& location() const { return location_; }
    bool isServer() const { return location_.engine == store::Engine::Postgres; }
    // Which database this is, for the operator: the file's path or the server's URI.
    QString displayName() const { return location_.displayName(); }

    // The open database; throws StoreError when the connection is not open.
    QSqlDatabase ADOConnection() const;
    // False until the database has been opened (also while an OpenDB waits for its server); true while
    // an open server connection is broken.
    bool IsOpen() const { return open_; }
    QString LastError() const { return lastError_; }
    QString ConnectionString() const { return connectionString_; }
    // Full path of the database file used by the last OpenDB; empty for a server.
    QString FilePath() const { return filePath_; }

    // A transaction held by the connection and ended by token, for the record classes' callers; the same
    // mechanism as store::Transaction (store/Transaction.h), which is what code of this program uses.
    int BeginTrans();
    bool CommitTrans(int token);
    bool RollBack(int token);
    // True while a transaction (BeginTrans or any store::Transaction) is open.
    bool InTransaction() const { return transactionDepth_ > 0; }

    // Open for reading only: every write raises StoreError::kReadOnly with ReadOnlyRefusal() as its text.
    bool IsReadOnly() const { return open_ && readOnly_; }
    QString ReadOnlyRefusal() const;

    // Raises StoreError when no write may be made now: not open, open read-only, or a transaction whose
    // state is unknown after a failure. The record classes ask before every write.
    void requireWritable() const;

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

    // A server connection that broke and is not made again yet, or an OpenDB that found its server away.
    bool isLost() const;
    // Records that the server connection broke (a statement failed with kServerUnreachable).
    void markLost();
    // Connects again when the server connection broke; raises StoreError kServerUnreachable when the
    // server still cannot be reached, and kTransactionLost inside a transaction, which went with the
    // connection. Does nothing for a connection that is fine. Finishes an OpenDB that found the server
    // away; when the server then refuses, or its tables are not ours, the database is closed for good.
    void reconnectIfLost();
    // Counts the engine sessions (each open and each new connection); statements prepared in an earlier
    // session are prepared again before they run.
    int sessionSerial() const { return sessionSerial_; }
    // Milliseconds since the last connect attempt failed, or -1 when the last one succeeded.
    qint64 msSinceReconnectFailed() const;
    // Whether the database took the last reading of a live run offered to it (store/SpoolingReadingWriter):
    // after a refusal (a lock another program holds, a full disk) every live run of the program leaves it
    // alone a while, so that eight unit windows do not each wait for the same lock.
    void setReadingsRefused(bool refused);
    // Milliseconds since readings were refused, or -1 while they are taken.
    qint64 msSinceReadingsRefused() const;

  private:
    friend class store::Transaction;
    enum class TransactionState {
        Normal,
        Lost,   // the engine undid the whole transaction; open guards only end
        Stuck,  // a roll-back failed with the transaction still open: no more writes until reopened
    };

    void closeDatabase();
    // Opens the session and checks (or creates) the tables; nullopt when the engine did not open it.
    std::optional<store::SchemaOutcome> openSessionAndSchema();
    // The open that found the server away, done now that reconnectIfLost reaches it.
    void finishAwaitedOpen();
    // Tells the operator what the schema check found.
    void announce(const store::SchemaOutcome& schema);
    // Opens a new engine session under a new connection name, and lets the old one go.
    void openSession(bool readOnly);
    void dropSession();
    // The transaction went with the server connection.
    void loseTransaction();
    QSqlDatabase database() const;
    // The open database for a write; raises StoreError as requireWritable does (before the open has
    // finished too, so that the tables can be created under a transaction).
    QSqlDatabase writeDatabase() const;
    StoreError transactionStateError() const;
    // Why this program may not write the file, or empty when it may.
    QString writeBarrier() const;

    Messenger* messenger_;
    QString baseName_;
    QString connectionName_;
    store::DatabaseLocation location_;
    std::optional<store::DatabaseLocation> chosenLocation_;
    bool openReadOnly_ = false;
    int sessionSerial_ = 0;
    bool lost_ = false;
    // OpenDB found the server away: the next reconnectIfLost opens the database, tables and all.
    bool awaitingServer_ = false;
    QString lostReason_;
    QElapsedTimer reconnectFailed_;
    QElapsedTimer readingsRefused_;
    QString connectionString_;
    QString filePath_;
    QString lastError_;
    int transactionDepth_ = 0;
    TransactionState transactionState_ = TransactionState::Normal;
    QString stuckReason_;
    std::unique_ptr<store::Transaction> tokenTransaction_;
    int token_ = 0;
    bool readOnly_ = false;
    QString readOnlyReason_;

    bool open_ = false;
    int openSerial_ = 0;
    int busyTimeout_ms_ = kDefaultBusyTimeout_ms;
    QString journalMode_;
    std::mt19937 random_;
    std::shared_ptr<clsConnection*> link_;
};
