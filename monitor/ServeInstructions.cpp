#include "monitor/ServeInstructions.h"

#include "monitor/MonitorAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace monitor {

namespace {

const char* const kTokenFile = "monitor-token.txt";

}  // namespace

QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=@%+,-]+$"));
    if (plain.match(word).hasMatch()) return word;
    return u'\'' + QString(word).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

ServeInstructions serveInstructions(const store::DatabaseLocation& database, const QString& program,
                                    const QString& workingDir, const QString& host) {
    // The server reads the folder's initial.txt (the unit system) and database.txt as every command does;
    // a file elsewhere is named.
    QString base = QStringLiteral("cd %1 && %2")
                       .arg(shellWord(QDir::toNativeSeparators(workingDir)), shellWord(program));
    const bool fileHere =
        database.engine == store::Engine::Sqlite &&
        QFileInfo(database.filePath).absoluteFilePath() ==
            QDir(workingDir).absoluteFilePath(QString::fromLatin1(store::DatabaseLocation::kDefaultFileName));
    if (database.engine == store::Engine::Sqlite && !fileHere)
        base += QStringLiteral(" --database ") + shellWord(database.filePath);
    ServeInstructions shown;
    shown.localCommand = base + QStringLiteral(" serve");
    shown.localAddress = parseListen(kDefaultListen, nullptr)->url(host);
    shown.labCommands =
        QStringLiteral(
            "cd %1 && openssl rand -hex 32 > %2 && chmod 600 %2\n%3 serve --listen 0.0.0.0:%4 "
            "--token-file %2")
            .arg(shellWord(QDir::toNativeSeparators(workingDir)), QLatin1String(kTokenFile), base)
            .arg(kDefaultPort);
    shown.labAddress = ListenAddress{QHostAddress(QHostAddress::AnyIPv4), kDefaultPort}.url(host);
    return shown;
}

QString ServeInstructions::text() const {
    return QStringLiteral(
               "The lab monitor shows every unit and every stored test of this database in a web browser,\n"
               "read-only. Start it beside this program; it runs until Ctrl-C.\n\n"
               "For this machine only:\n    %1\nthen open %2\n\n"
               "For the lab's network (a browser signs in once with the token in the file):\n    %3\nthen "
               "open %4\n")
        .arg(localCommand, localAddress, QString(labCommands).replace(u'\n', QStringLiteral("\n    ")),
             labAddress);
}

}  // namespace monitor
