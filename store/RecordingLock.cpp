#include "store/RecordingLock.h"

#include "store/RecordBase.h"
#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// A lock file names its holder in a few short lines; anything longer is not ours.
constexpr qint64 kMaxLockFileSize = 4096;
constexpr int kMaxStationLength = 64;
// The longest application_name a server keeps (NAMEDATALEN - 1 bytes).
constexpr int kMaxApplicationName = 63;
constexpr const char* kApplicationName = "r7716 recording unit %1 on %2";
constexpr const char* kApplicationPattern = "^r7716 recording unit (\\d+) on (.*)$";
// The tests a deletion of a name removes.
constexpr const char* kTestIdsSql = "SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?";
constexpr Param kTestIdsParams[] = {{"pTEST_NAME", ParamType::Text, 40}};
// The session holding a recording lock, and what it calls itself.
constexpr const char* kHolderSql =
    "SELECT a.application_name FROM pg_locks l LEFT JOIN pg_stat_activity a ON a.pid = l.pid "
    "WHERE l.locktype = 'advisory' AND l.granted AND l.classid = %1 AND l.objid = %2 AND l.objsubid = 2 "
    "AND l.database = (SELECT oid FROM pg_database WHERE datname = current_database())";

// Only the printable characters of a text another program wrote, and not too many of them.
QString printable(const QString& text) {
    QString kept;
    for (const QChar c : text)
        if (c.isPrint()) kept += c;
    return kept.left(kMaxStationLength);
}

StoreError fileFailure(const QString& path, int error) {
    return StoreError(StoreError::kEngine, QStringLiteral("The recording lock \"%1\" could not be used: %2")
                                               .arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

QString lockPath(const clsConnection& connection, int testId) {
    return connection.FilePath() + QString::fromLatin1(RecordingLock::kFileSuffix).arg(testId);
}

QByteArray fileContent(const Recorder& r) {
    return QStringLiteral("station=%1\nunit=%2\nprogram=%3\npid=%4\n")
        .arg(r.station)
        .arg(r.unit)
        .arg(r.program)
        .arg(r.pid)
        .toUtf8();
}

Recorder parseFileContent(const QByteArray& content) {
    Recorder r;
    for (const QString& line : QString::fromUtf8(content).split(u'\n')) {
        const QString key = line.section(u'=', 0, 0), value = line.section(u'=', 1);
        if (key == QLatin1String("station")) r.station = printable(value);
        if (key == QLatin1String("unit")) r.unit = value.toInt();
        if (key == QLatin1String("program")) r.program = printable(value);
        if (key == QLatin1String("pid")) r.pid = value.toLongLong();
    }
    return r;
}

Recorder parseApplicationName(const QString& name) {
    static const QRegularExpression pattern(QString::fromLatin1(kApplicationPattern));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) return {};
    Recorder r;
    r.station = printable(match.captured(2));
    r.unit = match.captured(1).toInt();
    return r;
}

QByteArray readAll(int fd) {
    QByteArray content(kMaxLockFileSize, '\0');
    const ssize_t n = ::pread(fd, content.data(), content.size(), 0);
    content.resize(n > 0 ? n : 0);
    return content;
}

// The content of the lock file when a program holds it; nothing when nobody does.
std::optional<QByteArray> fileHolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw fileFailure(path, errno);
    }
    std::optional<QByteArray> holder;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            throw fileFailure(path, error);
        }
        holder = readAll(fd);
    }
    ::close(fd);
    return holder;
}

std::vector<int> testIdsNamed(clsConnection& connection, const QString& testName) {
    Statement statement;
    statement.prepare(connection.ADOConnection(), kTestIdsSql, kTestIdsParams);
    statement.run({testName});
    std::vector<int> ids;
    while (statement.query().next()) ids.push_back(statement.query().value(0).toInt());
    throwIfFailed(statement.query());
    statement.finish();
    return ids;
}

// Runs a statement of one boolean or text answer.
QVariant answer(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) throw dialect::failure(query);
    return query.next() ? query.value(0) : QVariant();
}

}  // namespace

// ---- the file: an flock(2) lock on a file beside the database --------------------------------------------

class RecordingLock::FileHold {
  public:
    // Takes the lock and writes content into its file; null when another program holds it (heldBy: what
    // its file says).
    static std::unique_ptr<FileHold> tryTake(const QString& path, const QByteArray& content,
                                             QByteArray& heldBy) {
        const QByteArray native = QFile::encodeName(path);
        // A holder letting go removes the file, possibly just after it was opened here: the lock taken is
        // then on a file nobody else sees, and the one at the path is tried instead.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0) throw fileFailure(path, errno);
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                const int error = errno;
                if (error == EWOULDBLOCK) heldBy = readAll(fd);
                ::close(fd);
                if (error == EWOULDBLOCK) return nullptr;
                throw fileFailure(path, error);
            }
            struct stat opened {
            }, named{};
            if (::fstat(fd, &opened) == 0 && ::stat(native.constData(), &named) == 0 &&
                opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
                if (::ftruncate(fd, 0) != 0 ||
                    ::pwrite(fd, content.constData(), content.size(), 0) != content.size()) {
                    const int error = errno;
                    ::unlink(native.constData());
                    ::close(fd);
                    throw fileFailure(path, error);
                }
                return std::unique_ptr<FileHold>(new FileHold(native, fd));
            }
            ::close(fd);
        }
        throw fileFailure(path, EAGAIN);
    }
    ~FileHold() {
        // Removed while still held, so that nobody takes a lock on a file that is about to go.
        ::unlink(path_.constData());
        ::close(fd_);
    }

  private:
    FileHold(QByteArray path, int fd) : path_(std::move(path)), fd_(fd) {}
    QByteArray path_;
    int fd_;
};

// ---- the server: a session advisory lock on a connection of its own --------------------------------------

class RecordingLock::ServerHold {
  public:
    ServerHold(const DatabaseLocation& location, const Recorder& recorder)
        : name_(QStringLiteral("RecordingLock-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
          location_(location) {
        QString application =
            QString::fromLatin1(kApplicationName).arg(recorder.unit).arg(printable(recorder.station));
        while (application.toUtf8().size() > kMaxApplicationName) application.chop(1);
        location_.parameters.removeIf(
            [](const auto& p) { return p.first == QLatin1String("application_name"); });
        location_.parameters.append({QStringLiteral("application_name"), application});
    }
    ~ServerHold() {
        // Let go at once: the server ends a closed session, and its locks, only a moment later, when a
        // deletion asked right after the run may still find it. Should this fail, the close lets go.
        if (isOpen())
            QSqlQuery(QSqlDatabase::database(name_, false))
                .exec(QStringLiteral("SELECT pg_advisory_unlock(%1, %2)").arg(kServerLockClass).arg(testId_));
        close();
    }

    // Opens a session and takes the lock in it; false when another session holds it.
    bool take(int testId) {
        close();
        testId_ = testId;
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QString::fromLatin1(dialect::driverName(Engine::Postgres)), name_);
        dialect::configure(db, location_, dialect::Access::ReadWrite, 0);
        bool taken = false;
        try {
            if (!db.open()) throw dialect::openFailure(db);
            taken =
                answer(
                    db,
                    QStringLiteral("SELECT pg_try_advisory_lock(%1, %2)").arg(kServerLockClass).arg(testId))
                    .toBool();
        } catch (const StoreError&) {
            db = QSqlDatabase();
            close();
            throw;
        }
        db = QSqlDatabase();
        if (!taken) close();
        return taken;
    }
    bool isOpen() const {
        return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
    }
    // True while the session answers; a session that does not is closed.
    bool alive() {
        if (!isOpen()) return false;
        bool answers = false;
        {
            QSqlQuery probe(QSqlDatabase::database(name_, false));
            answers = probe.exec(QStringLiteral("SELECT 1"));
        }
        if (!answers) close();
        return answers;
    }

  private:
    void close() {
        if (!QSqlDatabase::contains(name_)) return;
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    QString name_;
    DatabaseLocation location_;
    int testId_ = 0;
};

// ---- the lock
// ----------------------------------------------------------------------------------------------

Recorder Recorder::thisProgram(int unit) {
    return {.station = QSysInfo::machineHostName(),
            .unit = unit,
            .program = QCoreApplication::applicationName(),
            .pid = QCoreApplication::applicationPid()};
}

QString Recorder::describe() const {
    if (unit > 0 && !station.isEmpty()) return QStringLiteral("unit %1 on station %2").arg(unit).arg(station);
    if (unit > 0) return QStringLiteral("unit %1").arg(unit);
    if (!station.isEmpty()) return QStringLiteral("a program on station %1").arg(station);
    return QStringLiteral("another program");
}

RecordingLock::RecordingLock(clsConnection& connection, int testId, const Recorder& recorder)
    : connection_(connection), testId_(testId), recorder_(recorder) {}

RecordingLock::~RecordingLock() = default;

std::unique_ptr<RecordingLock> RecordingLock::take(clsConnection& connection, int testId,
                                                   const Recorder& recorder) {
    std::unique_ptr<RecordingLock> lock(new RecordingLock(connection, testId, recorder));
    lock->takeNow();
    return lock;
}

void RecordingLock::takeNow() {
    const auto refused = [this](const std::optional<Recorder>& holder) {
        return StoreError(StoreError::kBeingRecorded,
                          QStringLiteral("The test is being recorded already by %1.")
                              .arg(holder ? holder->describe() : Recorder().describe()));
    };
    if (connection_.isServer()) {
        if (!server_) server_ = std::make_unique<ServerHold>(connection_.location(), recorder_);
        if (!server_->take(testId_)) throw refused(recorderOf(connection_, testId_));
        return;
    }
    connection_.ADOConnection();  // raises why there is no database
    QByteArray heldBy;
    file_ = FileHold::tryTake(lockPath(connection_, testId_), fileContent(recorder_), heldBy);
    if (!file_) throw refused(parseFileContent(heldBy));
}

bool RecordingLock::held() const {
    return file_ || (server_ && server_->isOpen());
}

void RecordingLock::keep() {
    // The file's lock lasts as long as this program; a server session can go.
    if (file_ || (server_ && server_->alive())) return;
    // While the program's own connection is away the server is too; the writer reports that.
    if (connection_.isLost()) return;
    if (lastFailure_.isValid() && lastFailure_.elapsed() < kRetryInterval_ms) return;
    try {
        takeNow();
        lastFailure_.invalidate();
    } catch (const StoreError&) {
        lastFailure_.start();
        throw;
    }
}

std::optional<Recorder> RecordingLock::recorderOf(clsConnection& connection, int testId) {
    if (!connection.isServer()) {
        connection.ADOConnection();  // raises why there is no database
        const std::optional<QByteArray> holder = fileHolder(lockPath(connection, testId));
        if (!holder) return std::nullopt;
        return parseFileContent(*holder);
    }
    connection.reconnectIfLost();
    QSqlQuery query(connection.ADOConnection());
    query.setForwardOnly(true);
    if (!query.exec(QString::fromLatin1(kHolderSql).arg(kServerLockClass).arg(testId)))
        throw dialect::failure(query);
    if (!query.next()) return std::nullopt;
    return parseApplicationName(query.value(0).toString());
}

std::optional<Recorder> RecordingLock::recorderOf(clsConnection& connection, const QString& testName) {
    for (const int id : testIdsNamed(connection, testName))
        if (std::optional<Recorder> recorder = recorderOf(connection, id)) return recorder;
    return std::nullopt;
}

StoreError RecordingLock::beingRecorded(const QString& testName, const std::optional<Recorder>& recorder) {
    return StoreError(
        StoreError::kBeingRecorded,
        QStringLiteral("The test \"%1\" is being recorded by %2. It cannot be deleted while its "
                       "run records it; nothing was deleted.")
            .arg(testName, recorder ? recorder->describe() : Recorder().describe()));
}

RecordingLock::DeletionGuard::DeletionGuard() = default;
RecordingLock::DeletionGuard::DeletionGuard(DeletionGuard&&) noexcept = default;
RecordingLock::DeletionGuard::~DeletionGuard() = default;

RecordingLock::DeletionGuard RecordingLock::guardDeletion(clsConnection& connection,
                                                          const QString& testName) {
    DeletionGuard guard;
    for (const int id : testIdsNamed(connection, testName)) {
        if (connection.isServer()) {
            // Held to the end of the deleting transaction.
            const QString sql =
                QStringLiteral("SELECT pg_try_advisory_xact_lock(%1, %2)").arg(kServerLockClass).arg(id);
            if (!answer(connection.ADOConnection(), sql).toBool())
                throw beingRecorded(testName, recorderOf(connection, id));
            continue;
        }
        QByteArray heldBy;
        std::unique_ptr<FileHold> hold =
            FileHold::tryTake(lockPath(connection, id), fileContent(Recorder::thisProgram(0)), heldBy);
        if (!hold) throw beingRecorded(testName, parseFileContent(heldBy));
        guard.holds_.push_back(std::move(hold));
    }
    return guard;
}

}  // namespace store
