#pragma once

#include "link/UnitPortFactory.h"

#include <QList>
#include <QStringList>

#include <span>
#include <utility>

class QTextStream;
class Settings;
class clsConnection;

// r7716-cli's commands as one table. A command is one entry (its name, operands, help and what it needs)
// and one function; the command line is checked against the entry before the function runs, so a
// function starts with operands that fit and, when it asked for one, an open database.
namespace cli {

inline constexpr const char* kProgram = "r7716-cli";

// One operand of a command as its entry declares it.
enum class Operand {
    Unit,        // a unit number from 1 to 8
    Name,        // a stored name; may be empty
    FilledName,  // a stored name that may not be empty
    More         // last only: one or more further operands, none of them empty
};

// What a command needs opened before its function runs.
enum class Needs { Nothing, Database };

// An option of a command: "--name VALUE" or "--name=VALUE" when it names a value, a switch otherwise.
struct Option {
    const char* name;         // "--visc"
    const char* valueName;    // "CP"; nullptr for a switch
    bool repeatable = false;  // may be given more than once (each value kept in order)
};

// The options given on a command line, in the order given.
class Options {
  public:
    void add(const QString& name, const QString& value) { given_.append({name, value}); }
    bool has(const char* name) const;
    // The value given with the option; fallback when it was not given.
    QString value(const char* name, const QString& fallback = {}) const;
    // Every value of a repeatable option, in order.
    QStringList values(const char* name) const;

  private:
    QList<std::pair<QString, QString>> given_;
};

// What a command's function gets.
struct Invocation {
    const QStringList& operands;  // as typed, in the order of the entry's operands
    const Options& options;       // as given, checked against the entry's options
    int unit;                     // the Unit operand (1 to 8); 0 when the command takes none
    QTextStream& out;             // results
    QTextStream& err;             // messages and errors
    const Settings& settings;     // "initial.txt", read once per command line
    const UnitPortFactory& ports;
    clsConnection* connection;  // open when the entry needs the database, else nullptr

    // The last operand: the name of a command that takes one.
    const QString& name() const { return operands.last(); }
    // The operands that Operand::More took, after the `fixed` ones before it.
    QStringList more(qsizetype fixed) const { return operands.mid(fixed); }
    clsConnection& database() const { return *connection; }
};

struct Command {
    const char* name;
    const char* synopsis;  // its operands as the tool's help shows them ("UNIT NAME"); "" for none
    const char* summary;   // its line in the tool's help
    const char* help;      // the text of "r7716-cli <name> --help"
    QList<Operand> operands;
    const char* operandProblem;  // the usage error when the operands do not fit the entry
    Needs needs;
    int (*run)(const Invocation&);  // returns the exit status
    QList<Option> options = {};
    // True when the command line draws with the window system (a chart or report into a file): the
    // program then starts a GUI application, offscreen when there is no display.
    bool (*needsWindowSystem)(const Options&) = nullptr;
};

// Every command, in the order the tool's help lists them.
std::span<const Command> commands();

}  // namespace cli
