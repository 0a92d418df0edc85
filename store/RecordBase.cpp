#include "store/RecordBase.h"

#include "common/VbFormat.h"
#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <QSqlError>
#include <algorithm>
#include <cmath>

namespace store {

namespace {

constexpr const char* kStoredTimeFormat = "yyyy-MM-dd HH:mm:ss";

[[noreturn]] void mismatch(const QVariant& value, const char* field, const char* wanted) {
    throw StoreError(StoreError::kTypeMismatch,
                     QStringLiteral("%1: the value '%2' is not %3.")
                         .arg(QString::fromLatin1(field), value.toString(), QString::fromLatin1(wanted)));
}

}  // namespace

void Statement::prepare(const QSqlDatabase& db, const char* text, std::span<const Param> params) {
    prepare(db, dialect::statementText(dialect::engineOf(db), text), params);
}

void Statement::prepare(const QSqlDatabase& db, const QString& text, std::span<const Param> params) {
    query_ = QSqlQuery(db);
    query_.setForwardOnly(dialect::readsForwardOnly(dialect::engineOf(db)));
    params_ = params;
    const QString verb = text.trimmed().section(u' ', 0, 0).toUpper();
    writes_ =
        verb == QLatin1String("INSERT") || verb == QLatin1String("UPDATE") || verb == QLatin1String("DELETE");
    if (!query_.prepare(text)) throw dialect::failure(query_);
}

void Statement::run(std::span<const QVariant> values) {
    if (values.size() != params_.size())
        throw StoreError(StoreError::kEngine,
                         QStringLiteral("A statement was given %1 values for %2 parameters.")
                             .arg(values.size())
                             .arg(params_.size()));
    int position = 0;
    for (const QVariant& value : values) {
        const Param& param = params_[position];
        QVariant bound;
        switch (param.type) {
            case ParamType::Text: {
                QString text = toText(value, param.name);
                // An empty text is stored as an empty text, not as Null.
                if (text.isNull()) text = QString::fromLatin1("", 0);
                bound = text;
                break;
            }
            case ParamType::Double:
                bound = toDouble(value, param.name);
                break;
            case ParamType::OptionalDouble:
                bound = value.isNull() ? QVariant(QMetaType(QMetaType::Double))
                                       : QVariant(toDouble(value, param.name));
                break;
            case ParamType::DateTime:
                bound = value.isNull() ? QVariant() : value;  // already in its stored form
                break;
            case ParamType::Int32:
                bound = toInt32(toDouble(value, param.name), param.name);
                break;
        }
        query_.bindValue(position++, bound);
    }
    const bool ok = query_.exec();
    if (!ok) {
        const StoreError error = dialect::failure(query_);
        query_.finish();
        throw error;
    }
}

QString toText(const QVariant& value, const char* field) {
    if (value.isNull()) return QString::fromLatin1("", 0);
    if (value.typeId() == QMetaType::QString) return value.toString();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QString::fromLatin1(kStoredTimeFormat));
    if (!value.canConvert<QString>()) mismatch(value, field, "a text");
    return value.toString();
}

double toDouble(const QVariant& value, const char* field) {
    if (value.typeId() == QMetaType::Double) return *static_cast<const double*>(value.constData());
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) mismatch(value, field, "a number");
    return number;
}

QDateTime toDateTime(const QVariant& value, const char* field) {
    QDateTime time;
    switch (value.typeId()) {
        case QMetaType::QDateTime:
            time = value.toDateTime();
            break;
        case QMetaType::QDate:
            time = value.toDate().startOfDay();
            break;
        case QMetaType::QString:
            time = parseStoredTime(value.toString());
            break;
        default:
            break;
    }
    if (!time.isValid()) mismatch(value, field, "a date and time");
    return time;
}

int toInt32(double value, const char* field) {
    // The program-wide rounding rule does the rounding; a value whose rounding leaves the 32-bit range is
    // refused rather than clamped, so that a wrong number never reaches the file silently.
    if (std::isnan(value) || value >= 2147483647.5 || value < -2147483648.5)
        throw StoreError(StoreError::kOverflow, QStringLiteral("%1: %2 does not fit a 32-bit integer.")
                                                    .arg(QString::fromLatin1(field))
                                                    .arg(value));
    return vb::CInt(value);
}

QVariant storedTime(const QDateTime& time) {
    if (!time.isValid()) return {};
    return time.toLocalTime().toString(QString::fromLatin1(kStoredTimeFormat));
}

QDateTime parseStoredTime(const QString& text) {
    const QString trimmed = text.trimmed();
    QDateTime time = QDateTime::fromString(trimmed, QString::fromLatin1(kStoredTimeFormat));
    if (!time.isValid()) time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate date = QDate::fromString(trimmed, Qt::ISODate);
        if (date.isValid()) time = date.startOfDay();
    }
    return time.isValid() ? time.toLocalTime() : QDateTime();
}

void throwIfFailed(const QSqlQuery& query) {
    if (query.lastError().type() != QSqlError::NoError) throw dialect::failure(query);
}

double readNumber(const QVariant& value, double fallback, const char* field) {
    if (value.typeId() == QMetaType::Double) return *static_cast<const double*>(value.constData());
    if (value.isNull()) return fallback;
    return toDouble(value, field);
}

}  // namespace store

RecordBase::~RecordBase() = default;

void RecordBase::ConnectX(clsConnection& connection) {
    attached_ = false;
    link_ = connection.link();
    openSerial_ = connection.openSerial();
    try {
        connection.reconnectIfLost();
    } catch (const StoreError& error) {
        // The server is away: the object stays attached to this open, unprepared, so that its first
        // statement once the server is back connects and prepares (a window attaches once, at start-up).
        if (error.number() == StoreError::kServerUnreachable) {
            session_ = kUnprepared;
            attached_ = true;
        }
        throw;
    }
    connection.ADOConnection();  // raises why it is not open
    prepareOn(connection);
    attached_ = true;
    runInitialSelection();
}

void RecordBase::prepareOn(clsConnection& owner) {
    try {
        prepareStatements(owner.ADOConnection());
    } catch (const StoreError& error) {
        // Preparing changes nothing, so a connection found broken here is made again at once.
        if (error.number() != StoreError::kServerUnreachable || owner.InTransaction()) throw;
        owner.markLost();
        owner.reconnectIfLost();
        prepareStatements(owner.ADOConnection());
    }
    session_ = owner.sessionSerial();
}

clsConnection& RecordBase::connection() const {
    clsConnection* owner = link_ ? *link_ : nullptr;
    if (!owner || !attached_)
        throw StoreError(StoreError::kNotOpen,
                         QStringLiteral("The record object is not attached to an open database (ConnectX)."));
    if ((!owner->IsOpen() && !owner->isLost()) || owner->openSerial() != openSerial_)
        throw StoreError(StoreError::kNotOpen,
                         QStringLiteral("The database this record object was attached to "
                                        "is no longer open."));
    return *owner;
}

clsConnection& RecordBase::preparedConnection() {
    clsConnection& owner = connection();
    owner.reconnectIfLost();
    if (owner.sessionSerial() != session_) prepareOn(owner);
    return owner;
}

void RecordBase::run(store::Statement& statement, std::span<const QVariant> values) {
    clsConnection& owner = preparedConnection();
    if (statement.writes()) owner.requireWritable();
    try {
        statement.run(values);
    } catch (const StoreError& error) {
        if (error.number() != StoreError::kServerUnreachable) throw;
        owner.markLost();
        // A selection is asked again on a new connection (the server may have restarted since the last
        // statement); a write is not, since it may have taken effect before the connection broke.
        if (statement.writes() || owner.InTransaction()) throw;
        owner.reconnectIfLost();
        prepareOn(owner);
        statement.run(values);
    }
}

void RecordBase::lookupLoaded(int rows) {
    rowCount_ = rows;
    cursor_ = 0;
    noRows_ = rows == 0;
    eof_ = rows == 0;
    if (rows == 0)
        SetDefaults();
    else
        loadRow(0);
}

void RecordBase::initialLoaded(int rows, bool loadFirst) {
    rowCount_ = rows;
    cursor_ = 0;
    noRows_ = rows == 0;
    eof_ = rows == 0;
    if (rows > 0 && loadFirst) loadRow(0);
}

void RecordBase::snapshotLost() {
    rowCount_ = 0;
    cursor_ = 0;
    noRows_ = true;
    eof_ = true;
}

void RecordBase::requireFields(const QVariantList& values, int fields) {
    if (values.size() < fields)
        throw StoreError(
            StoreError::kShortRow,
            QStringLiteral("The row has %1 fields but %2 values were given.").arg(fields).arg(values.size()));
}

// An empty snapshot has no row to load: the moves then leave the current row as it is.
void RecordBase::MoveFirst() {
    cursor_ = 0;
    if (rowCount_ > 0) loadRow(0);
}

void RecordBase::MoveLast() {
    if (rowCount_ < 1) return;
    cursor_ = rowCount_ - 1;
    loadRow(cursor_);
}

void RecordBase::MoveNext() {
    if (cursor_ + 1 >= rowCount_) {
        eof_ = true;
        return;
    }
    ++cursor_;
    loadRow(cursor_);
    eof_ = false;
}

void RecordBase::MovePrevious() {
    if (rowCount_ < 1) return;
    cursor_ = std::max(cursor_ - 1, 0);
    loadRow(cursor_);
}

void RecordBase::MoveRel(int offset) {
    if (offset == 0 || rowCount_ < 1) return;
    const long long target = static_cast<long long>(cursor_) + offset;
    cursor_ = static_cast<int>(std::clamp<long long>(target, 0, rowCount_ - 1));
    loadRow(cursor_);
}
