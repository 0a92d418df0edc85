#pragma once

#include <QString>

class clsConnection;

namespace store {

// Makes the statements of one operation take effect together or not at all:
//
//     store::Transaction transaction(connection);  // begins; StoreError when it cannot
//     ... record-class writes ...
//     transaction.commit();                        // StoreError when it fails; then still open
//     // leaving the scope without commit() (a statement raised StoreError) undoes everything
//
// The outermost guard on a connection is a transaction of the engine, begun with the write lock taken
// at once (a check made inside it still holds when its rows are written); a guard opened while another
// is open is a savepoint inside it, so its commit only keeps its work for the enclosing guard to decide
// on and its roll-back undoes only its own work. Guards end in the reverse order of their beginning.
// clsConnection::InTransaction() is true while any guard is open, and BeginTrans/CommitTrans/RollBack
// are one such guard kept by the connection.
//
// A database open read-only refuses to begin (StoreError::kReadOnly). When the engine undoes the whole
// transaction on its own after a failure inside it (a full disk can), the guard still ends cleanly; the
// enclosing guards then refuse to commit (StoreError::kTransactionLost) and the connection refuses
// writes until the outermost guard has ended, so that nothing is written outside the transaction.
//
// On a server the outermost guard also takes the store's write lock (SqlDialect), so that transactions of
// several stations take turns as they do on the file. When the connection to the server breaks inside a
// transaction the server has undone all of it: the guards end cleanly and the commit is refused
// (StoreError::kTransactionLost).
class Transaction {
  public:
    explicit Transaction(clsConnection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    // Undoes the work now rather than at the end of the scope. Raises StoreError only when the engine
    // could neither undo it nor had undone it already; the connection then refuses writes (its
    // transaction state is unknown) until it is opened again.
    void rollback();

    bool isOpen() const { return open_; }
    bool isNested() const { return level_ > 0; }

  private:
    // Begins the outermost transaction, connecting again first when the server connection broke.
    void begin();
    bool belongsToOpenConnection() const;
    QString savepointName() const;
    // Undoes the work; returns the problem when it could not, instead of raising it.
    QString undo();
    void end();

    clsConnection& connection_;
    int level_;
    int openSerial_;
    bool open_ = false;
};

}  // namespace store
