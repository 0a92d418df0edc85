#pragma once

#include <QString>
#include <stdexcept>

class QSqlError;

// A database failure raised by the connection or a record class. Record classes catch nothing; the window
// that called them reports the failure (number and description) and carries on.
class StoreError : public std::runtime_error {
  public:
    // Numbers of the failures the store detects itself. Every other StoreError carries the engine's own
    // result code: SQLite's (extended) codes, or PostgreSQL's five-character SQLSTATE when it is all
    // digits ("23505"); neither uses the numbers below.
    static constexpr int kNotOpen = 3001;          // no usable connection (never opened, failed, or gone)
    static constexpr int kTypeMismatch = 3002;     // a value that cannot become the field's type
    static constexpr int kShortRow = 3003;         // an All array with fewer elements than the row has fields
    static constexpr int kOverflow = 3004;         // a number outside the range of a 32-bit field
    static constexpr int kBadSchema = 3005;        // the file is a database but its tables are not ours
    static constexpr int kEngine = 3006;           // the database engine failed without giving a code
    static constexpr int kNameTaken = 3007;        // a test or sequence of that name (in any case) is stored
    static constexpr int kReadOnly = 3008;         // a write to a database that is open read-only
    static constexpr int kTransactionLost = 3009;  // the engine undid a transaction after a failure in it
    static constexpr int kBadLocation = 3010;      // "database.txt" or a database named on a command line
    static constexpr int kServerUnreachable = 3011;  // the database server cannot be reached (now)
    static constexpr int kServerRefused = 3012;      // the server answered and turned the connection down
    static constexpr int kTestGone = 3013;           // the test row of a reading is no longer stored

    StoreError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    // The engine's failure as the program reports it: its result code and its own description.
    static StoreError fromSql(const QSqlError& error);
    // Any failure as the operator reads it: a StoreError's report(), otherwise the system's own text.
    static QString describe(const std::exception& error);
    // The refusal of a name that is stored already in some letter case (kNameTaken); what: "test", ...
    static StoreError nameTaken(const QString& what, const QString& name);

    int number() const { return number_; }
    QString description() const { return description_; }
    // The failure as the operator reads it: "Error #: <number>", a line break, the description. Every
    // message that reports a database failure shows it in this form.
    QString report() const;
    // The same failure with a sentence added to its description (what was stored before it, say).
    StoreError withNote(const QString& note) const;

  private:
    int number_;
    QString description_;
};
