#pragma once

#include "common/UnitSystem.h"

#include <QString>
#include <QStringList>

class QTextStream;
class clsConnection;

// The report and export commands of r7716-cli: each opens the stored test NAME as the main window does and
// runs the same writer as the window's button. Exit statuses are those of cli/Cli.h.
namespace cli::report_commands {

inline constexpr int kWriteError = 1;  // the file could not be written

extern const char* const kBriefHelp;
extern const char* const kExcelHelp;
extern const char* const kHalliburtonHelp;
extern const char* const kDetailHelp;
extern const char* const kCsvHelp;

// True for the commands that take options (brief, excel, halliburton, detail, csv).
bool takesOptions(const QString& command);

// The command line of one of these commands, after the command word.
struct Line {
    QString name;
    bool printed = false;  // brief --printed
    bool detail = false;   // excel --detail
    QString out;           // --out FILE; empty for standard output
};

// Reads the arguments after the command (--help and -h are skipped: the caller answers them). Returns the
// problem with the command line, empty when it is right.
QString parse(const QString& command, const QStringList& arguments, Line& line);

int brief(const QString& name, bool printed, const QString& outFile, UnitSystem unitSystem,
          clsConnection& connection, QTextStream& out, QTextStream& err);
int excel(const QString& name, const QString& outFile, bool detail, UnitSystem unitSystem,
          clsConnection& connection, QTextStream& out, QTextStream& err);
int halliburton(const QString& name, clsConnection& connection, QTextStream& out, QTextStream& err);
// Needs a QGuiApplication (fonts); without one it fails with a message.
int detail(const QString& name, const QString& outFile, clsConnection& connection, QTextStream& out,
           QTextStream& err);
int csv(const QString& name, const QString& outFile, clsConnection& connection, QTextStream& out,
        QTextStream& err);

}  // namespace cli::report_commands
