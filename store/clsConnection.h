#pragma once

#include "store/StoreError.h"

#include <QSqlDatabase>
#include <QString>

class Messenger;

// The one database connection of the program: created and opened by the main window at start-up and lent
// to every other window, whose record objects attach to it with ConnectX.
class clsConnection {
public:
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
    bool IsOpen() const;
    QString LastError() const { return lastError_; }
    QString ConnectionString() const { return connectionString_; }
    // Full path of the database file used by the last OpenDB.
    QString FilePath() const { return filePath_; }

    int BeginTrans();
    bool CommitTrans(int token);
    bool RollBack(int token);
    bool InTransaction() const { return inTransaction_; }

private:
    Messenger* messenger_;
    QString connectionName_;
    QString connectionString_;
    QString filePath_;
    QString lastError_;
    bool inTransaction_ = false;
    int token_ = 0;
};
