#pragma once

#include "store/StoreError.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QVariantList>
#include <initializer_list>
#include <memory>
#include <span>

class clsConnection;

namespace store {

// Types with which statement parameters are bound.
enum class ParamType {
    Text,
    Double,
    DateTime,
    Int32,
    OptionalDouble  // a double, or Null for none (columns of our own tables only)
};

// One parameter of a statement: its name, its type and, for text, its size in characters.
struct Param {
    const char* name;
    ParamType type;
    int size;
};

// A statement prepared once per ConnectX, with its parameters in marker order.
class Statement {
  public:
    void prepare(const QSqlDatabase& db, const char* text, std::span<const Param> params);
    // A statement built by the store itself (never one the engine translates).
    void prepare(const QSqlDatabase& db, const QString& text, std::span<const Param> params);
    // Binds the values in marker order, converted to the parameters' types, and runs the statement.
    void run(std::span<const QVariant> values);
    void run(std::initializer_list<QVariant> values) {
        run(std::span<const QVariant>(values.begin(), values.size()));
    }
    QSqlQuery& query() { return query_; }
    // Lets go of the engine's statement so that no read lock or open write outlives the call.
    void finish() { query_.finish(); }
    std::span<const Param> params() const { return params_; }
    // True for a statement that changes rows (INSERT, UPDATE, DELETE).
    bool writes() const { return writes_; }

  private:
    QSqlQuery query_;
    std::span<const Param> params_;
    bool writes_ = false;
};

// Value conversions of the record fields; a value that cannot become the field's type raises StoreError.
QString toText(const QVariant& value, const char* field);
double toDouble(const QVariant& value, const char* field);
QDateTime toDateTime(const QVariant& value, const char* field);
// Assignment to a 32-bit field: round half to even (60.5 -> 60, 61.5 -> 62); out of range raises StoreError.
int toInt32(double value, const char* field);
// The stored form of a date and time: local-time text 'YYYY-MM-DD HH:MM:SS', or Null for no valid value.
QVariant storedTime(const QDateTime& time);
// Reads the stored form back; the 'T' form of ISO 8601 is accepted too. Invalid when the text is neither.
QDateTime parseStoredTime(const QString& text);
// Raises the engine's error when reading a selection's rows stopped on a failure rather than at the end.
void throwIfFailed(const QSqlQuery& query);
// A number read from a result: Null gives the fallback, a value that is not a number raises StoreError.
double readNumber(const QVariant& value, double fallback, const char* field);

}  // namespace store

// EOF is also the C library's macro, which would swallow the EOF() member. The macro is set aside for this
// class only, so including the header changes nothing for the includer; a file that calls EOF() writes
// "#undef EOF" after its own includes.
#pragma push_macro("EOF")
#undef EOF

// The common shape of the six record classes: prepared statements on the shared connection, a snapshot of
// the last selection held in memory, a cursor over it and the current row.
class RecordBase {
  public:
    virtual ~RecordBase();
    RecordBase(const RecordBase&) = delete;
    RecordBase& operator=(const RecordBase&) = delete;

    bool EOF() const { return eof_; }
    // No effect on what the object exposes (the sequence list re-runs its names statement).
    virtual void Refresh() {}
    // Attaches to the connection, prepares every statement and runs the initial selection.
    void ConnectX(clsConnection& connection);
    // True when the last selection returned no rows.
    bool BOF() const { return noRows_; }
    bool IsEmpty() const { return noRows_; }

    virtual void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void MoveRel(int offset);

    virtual void SetDefaults() = 0;
    virtual void AddNew() = 0;
    // Writes the current row back; does nothing in the classes whose rows are only inserted and deleted.
    virtual void Update() {}
    virtual void Delete() = 0;
    virtual QVariantList All() const = 0;
    virtual void setAll(const QVariantList& values) = 0;

    // Rows in the snapshot and the cursor's place in it.
    int rowCount() const { return rowCount_; }
    int position() const { return cursor_; }

  protected:
    RecordBase() = default;

    virtual void prepareStatements(const QSqlDatabase& db) = 0;
    virtual void runInitialSelection() = 0;
    // Resets the current row to the defaults, then copies row `row` of the snapshot over it.
    virtual void loadRow(int row) = 0;

    // The attached connection; raises StoreError when there is none, it is closed or it was reopened.
    clsConnection& connection() const;
    // Runs a statement of this object after checking that the connection is still usable (and, for a
    // statement that writes, that it may be written: not read-only, no transaction lost). A broken server
    // connection is made again first, and the statements prepared again on it.
    void run(store::Statement& statement, std::span<const QVariant> values);
    void run(store::Statement& statement, std::initializer_list<QVariant> values) {
        run(statement, std::span<const QVariant>(values.begin(), values.size()));
    }
    // The attached connection with this object's statements prepared in its current session (a broken
    // server connection made again first), for a statement prepared on the spot.
    clsConnection& preparedConnection();

    // Bookkeeping after a selection that read `rows` rows into the snapshot.
    // A lookup: no rows resets the current row to the defaults; rows load row 0.
    void lookupLoaded(int rows);
    // The initial selection of ConnectX: the current row is kept, or row 0 loaded when loadFirst is set.
    void initialLoaded(int rows, bool loadFirst);
    // After a selection that failed part-way: the snapshot is empty.
    void snapshotLost();
    // Raises StoreError unless the All array has at least `fields` elements.
    static void requireFields(const QVariantList& values, int fields);

    int rowCount_ = 0;
    int cursor_ = 0;
    bool eof_ = true;
    bool noRows_ = true;

  private:
    // Prepares every statement in the connection's current session.
    void prepareOn(clsConnection& owner);

    std::shared_ptr<clsConnection* const> link_;
    int openSerial_ = 0;
    // No session's statements are prepared yet (session serials count from 1).
    static constexpr int kUnprepared = 0;
    int session_ = kUnprepared;
    bool attached_ = false;
};

#pragma pop_macro("EOF")
