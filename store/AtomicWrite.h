#pragma once

#include <QSqlDatabase>

class clsConnection;

namespace store {

// Makes several statements of one record operation take effect together or not at all. Outside a
// transaction of the connection it is a transaction of its own (committed by commit()); inside one
// (BeginTrans) it is a savepoint, so the caller's transaction decides and its token stays valid.
// Destroyed without commit() - a statement raised StoreError - it undoes everything it covered.
class AtomicWrite {
  public:
    explicit AtomicWrite(clsConnection& connection);
    ~AtomicWrite();
    AtomicWrite(const AtomicWrite&) = delete;
    AtomicWrite& operator=(const AtomicWrite&) = delete;

    void commit();

  private:
    QSqlDatabase db_;
    bool savepoint_;
    bool done_ = false;
};

}  // namespace store
