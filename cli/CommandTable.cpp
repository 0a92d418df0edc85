#include "cli/CommandTable.h"

#include "cli/CalibrateCommand.h"
#include "cli/ChartCommand.h"
#include "cli/Commands.h"
#include "cli/DeleteCommand.h"
#include "cli/ExportCommands.h"
#include "cli/JsonCommands.h"
#include "cli/RecordCommands.h"
#include "cli/ReportCommands.h"
#include "cli/ServeCommand.h"
#include "cli/TestReportCommand.h"

// The command table of r7716-cli. To add a command: write its function (declared in Commands.h) and add
// one entry here; the tool's help, the operand checks, "--help" of the command and the database are then
// taken care of.

namespace cli {

namespace {

const char* const kTestsHelp =
    "Usage: r7716-cli tests\n"
    "\n"
    "Lists the stored tests, newest first, one line per test: name, test time (YYYY-MM-DD HH:MM:SS,\n"
    "empty when the test has none) and researcher, separated by tabs. A tab or line break inside a value\n"
    "is written as a blank.\n";

const char* const kResultsHelp =
    "Usage: r7716-cli results [--] NAME\n"
    "       r7716-cli results [--model power|bingham|hb|all] [--rates R,R,...] [--kpipe] [--] NAME\n"
    "\n"
    "Opens the test NAME (the exact stored name, letter case included) and prints its results table as\n"
    "the main window holds it, in the unit system of line 9 of \"initial.txt\" (CGS when the file is\n"
    "missing): the twelve header cells, then - when any ramp has a result - one line per ramp from ramp 1\n"
    "to the last ramp of the test, empty cells for a ramp without result. Cells are separated by tabs;\n"
    "a line break inside a header cell is written as a blank. Use -- before a NAME that begins with a\n"
    "dash.\n"
    "\n"
    "With --model, --rates or --kpipe it prints the extended results instead, a table per model as the\n"
    "window's Extended Results shows it: power (the table above; the default), bingham (plastic\n"
    "viscosity and yield point), hb (Herschel-Bulkley: yield stress, K, n), or all three, each then after\n"
    "a line naming it and apart by an empty line. Every model's table has R^2, the standard errors of its\n"
    "parameters (Bingham, Herschel-Bulkley) and its viscosities at 40, 100 and 170 1/s and at the chosen\n"
    "shear rates: those of --rates (e.g. --rates 511,1022), else those of \"rates.txt\". --kpipe adds\n"
    "K'pipe after K'slot to the power law. A ramp that a model cannot fit gives the reason in the cell of\n"
    "the model's first parameter. Stresses are in dyn/cm2 (CGS), lbf/100ft2 (EI) or Pa (SI).\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 64 for a wrong --model or --rates.\n";

const char* const kInitDemoHelp =
    "Usage: r7716-cli init-demo\n"
    "\n"
    "Stores the demonstration sequences and the demonstration tests in the database of the current\n"
    "directory, creating the database when it is missing. Each test is a run of its sequence on a\n"
    "simulated fluid, generated the same way every time. What is stored already is left alone, so the\n"
    "command can be run again safely.\n";

const char* const kStatusHelp =
    "Usage: r7716-cli status UNIT\n"
    "\n"
    "Opens the serial port of instrument unit UNIT (1 to 8; its port is line UNIT of \"initial.txt\"),\n"
    "sends one status query, waits up to 2 s for the reply and prints its fields, one per line as name,\n"
    "tab, value: status_code, state, sample_temp_F, bath_temp_F, set_point_F, motor_speed_rpm,\n"
    "shear_stress_dyn_cm2 (as measured for the reference bob), pressure_psi and shear_rate_1ps. Values\n"
    "are shown as the unit sent them; state is empty for a code without a text.\n"
    "\n"
    "Exit status 1, with a message, when the port cannot be opened or no well-formed reply arrives.\n";

const char* const kSendSequenceHelp =
    "Usage: r7716-cli send-sequence UNIT [--] NAME\n"
    "\n"
    "Downloads the stored sequence NAME to instrument unit UNIT (1 to 8, on the port of line UNIT of\n"
    "\"initial.txt\") as the unit window's \"Send Sequence to R7716\" does: announce, sequence, a 6 s wait,\n"
    "then the unit's acknowledgement. Prints the text the window's status bar would show.\n"
    "\n"
    "Exit status 0 when the unit acknowledged the sequence, 1 when it did not, when the sequence is not\n"
    "stored or has more than 99 temperature or shear-rate steps, or when the port cannot be opened.\n";

const char* const kSequenceBodyHelp =
    "Usage: r7716-cli sequence-body [--] NAME\n"
    "\n"
    "Writes to standard output exactly the bytes that a download of the stored sequence NAME sends after\n"
    "its announce: the sequence as the unit window loads it (sample interval raised to sample rate x\n"
    "points averaged when that is larger), ending \"05x\" and the byte 26. Nothing else is written.\n"
    "\n"
    "Exit status 1 when the sequence is not stored or has more than 99 temperature or shear-rate steps.\n";

const char* const kRetrieveHelp =
    "Usage: r7716-cli retrieve UNIT [--info FILE] [--] TEST\n"
    "\n"
    "Fetches the readings that instrument unit UNIT (1 to 8, on the port of line UNIT of \"initial.txt\")\n"
    "holds of the last test it ran, as the unit window's \"Retrieve Last Result\" does (the data request,\n"
    "2 s, then 0.5 s steps until the unit is quiet), and stores them as the new test TEST: its test row,\n"
    "its additives and every reading in one go, only once the whole transfer has come. Prints the number\n"
    "of readings stored. A record of fewer than nine fields is left out and counted on standard error.\n"
    "\n"
    "--info FILE gives the test information as KEY=value lines (FLUID_ID, RESEARCHER_NAME, ROTOR_NO,\n"
    "BOB_NO, BOB_RADIUS, BOB_EFF_LENGTH, PRETEST_PH, POSTTEST_PH, SAFETY, and up to 20\n"
    "ADDITIVE=name|concentration|unit|lot lines); a key not given keeps the test-information dialog's\n"
    "initial text (bob B5). Without it every field has its initial text.\n"
    "\n"
    "Exit status 1, with the message on standard error, when the unit does not answer, the transfer is\n"
    "cut, the port fails, or TEST is stored already (in any letter case); nothing is stored then. 64 for\n"
    "a wrong command line or a wrong --info file.\n";

}  // namespace

std::span<const Command> commands() {
    static const Command kCommands[] = {
        {.name = "tests",
         .synopsis = "",
         .summary = "list the stored tests, newest first",
         .help = kTestsHelp,
         .operands = {},
         .operandProblem = "tests takes no argument.",
         .needs = Needs::Database,
         .run = tests},
        {.name = "results",
         .synopsis = "NAME [--model power|bingham|hb|all] [--rates R,R,...] [--kpipe]",
         .summary = "print the results table of the test NAME as the main window shows it",
         .help = kResultsHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "results takes one test name.",
         .needs = Needs::Database,
         .run = results,
         .options = {{"--model", "MODEL"}, {"--rates", "R,R,..."}, {"--kpipe", nullptr}}},
        {.name = "delete",
         .synopsis = "NAME",
         .summary = "delete the stored test NAME with its readings, as the open-test dialog's Delete does",
         .help = kDeleteHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "delete takes one test name.",
         .needs = Needs::Database,
         .run = deleteTest},
        {.name = "init-demo",
         .synopsis = "",
         .summary = "store the demonstration sequences and tests that are not stored yet",
         .help = kInitDemoHelp,
         .operands = {},
         .operandProblem = "init-demo takes no argument.",
         .needs = Needs::Database,
         .run = initDemo},
        // The status comes from the unit alone; no database is opened.
        {.name = "status",
         .synopsis = "UNIT",
         .summary = "ask instrument unit UNIT (1 to 8) for its status and print what it reports",
         .help = kStatusHelp,
         .operands = {Operand::Unit},
         .operandProblem = "status takes one unit number.",
         .needs = Needs::Nothing,
         .run = status},
        {.name = "send-sequence",
         .synopsis = "UNIT NAME",
         .summary = "download the stored sequence NAME to unit UNIT, as \"Send Sequence to R7716\" does",
         .help = kSendSequenceHelp,
         .operands = {Operand::Unit, Operand::Name},
         .operandProblem = "send-sequence takes a unit number and a sequence name.",
         .needs = Needs::Database,
         .run = sendSequence},
        {.name = "sequence-body",
         .synopsis = "NAME",
         .summary = "write the bytes a download of the stored sequence NAME sends after its announce",
         .help = kSequenceBodyHelp,
         .operands = {Operand::Name},
         .operandProblem = "sequence-body takes one sequence name.",
         .needs = Needs::Database,
         .run = sequenceBody},
        {.name = "retrieve",
         .synopsis = "UNIT TEST [--info FILE]",
         .summary = "store the readings unit UNIT holds of its last test as the new test TEST",
         .help = kRetrieveHelp,
         .operands = {Operand::Unit, Operand::FilledName},
         .operandProblem = "retrieve takes a unit number and a test name.",
         .needs = Needs::Database,
         .run = retrieve,
         .options = {{"--info", "FILE"}}},
        {.name = "run",
         .synopsis = "UNIT SEQUENCE TEST [--info FILE] [--tick-ms N] [--silence-s S]",
         .summary = "run the stored SEQUENCE on unit UNIT as the test TEST, as the window's Start does",
         .help = kRunHelp,
         .operands = {Operand::Unit, Operand::Name, Operand::Name},
         .operandProblem = "run takes a unit number, a sequence name and a test name.",
         .needs = Needs::Database,
         .run = runTest,
         .options = {{"--info", "FILE"}, {"--tick-ms", "N"}, {"--silence-s", "S"}},
         .needsWindowSystem = runNeedsWindowSystem},
        {.name = "resume",
         .synopsis = "UNIT TEST [--tick-ms N] [--silence-s S]",
         .summary = "go on with the interrupted run of TEST on unit UNIT after its program stopped",
         .help = kResumeHelp,
         .operands = {Operand::Unit, Operand::FilledName},
         .operandProblem = "resume takes a unit number and a test name.",
         .needs = Needs::Database,
         .run = resumeRun,
         .options = {{"--tick-ms", "N"}, {"--silence-s", "S"}},
         .needsWindowSystem = runNeedsWindowSystem},
        {.name = "runs",
         .synopsis = "[--interrupted]",
         .summary = "list the runs of the run journal, newest first (only the interrupted ones)",
         .help = kRunsHelp,
         .operands = {},
         .operandProblem = "runs takes no operand.",
         .needs = Needs::Database,
         .run = runs,
         .options = {{"--interrupted", nullptr}}},
        {.name = "end-run",
         .synopsis = "TEST",
         .summary = "end the interrupted run of TEST as it is, without resuming it",
         .help = kEndRunHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "end-run takes one test name.",
         .needs = Needs::Database,
         .run = endRun},
        // Reads notify.txt beside the settings; sends, queues nothing.
        {.name = "notify-test",
         .synopsis = "[--channel N]",
         .summary = "send a test event through the channels of notify.txt and print each outcome",
         .help = kNotifyTestHelp,
         .operands = {},
         .operandProblem = "notify-test takes no operand.",
         .needs = Needs::Nothing,
         .run = notifyTest,
         .options = {{"--channel", "N"}}},
        {.name = "chart",
         .synopsis = "NAME TYPE [--overlap NAME]... [--xlog] [--ylog] [--no-ramp] (--out FILE | --csv)",
         .summary =
             "draw chart TYPE (0-5, 3d0-3d2) of the test NAME into a .png or .pdf, or print its series",
         .help = kChartHelp,
         .operands = {Operand::FilledName, Operand::Name},
         .operandProblem = "chart takes a test name and a chart type.",
         .needs = Needs::Database,
         .run = chart,
         .options = {{"--overlap", "NAME", true},
                     {"--xlog", nullptr},
                     {"--ylog", nullptr},
                     {"--no-ramp", nullptr},
                     {"--out", "FILE"},
                     {"--csv", nullptr}},
         .needsWindowSystem = chartNeedsWindowSystem},
        // The finished calibration is kept in the database.
        {.name = "calibrate",
         .synopsis = "UNIT --visc CP [--bob NAME] [--change CP] [--report FILE] [--timeout S]",
         .summary = "run one torque calibration of unit UNIT as the calibration window does",
         .help = kCalibrateHelp,
         .operands = {Operand::Unit},
         .operandProblem = "calibrate takes one unit number.",
         .needs = Needs::Database,
         .run = calibrate,
         .options = {{"--visc", "CP"},
                     {"--bob", "NAME"},
                     {"--change", "CP"},
                     {"--report", "FILE"},
                     {"--timeout", "S"}}},
        {.name = "autoexport",
         .synopsis = "NAME",
         .summary = "write the files autoexport.txt asks for at a run's end, for the stored test NAME, now",
         .help = kAutoExportHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "autoexport takes one test name.",
         .needs = Needs::Database,
         .run = autoExport,
         .needsWindowSystem = runNeedsWindowSystem},
        {.name = "brief",
         .synopsis = "NAME [--printed] [--out FILE]",
         .summary = "write the brief report of the test NAME (the saved file, or the printed lines)",
         .help = report_commands::kBriefHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "brief takes one test name.",
         .needs = Needs::Database,
         .run = report_commands::brief,
         .options = {{"--printed", nullptr}, {"--out", "FILE"}}},
        {.name = "excel",
         .synopsis = "NAME --out FILE.xlsx [--detail]",
         .summary = "write the brief (or detail) workbook of the test NAME",
         .help = report_commands::kExcelHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "excel takes one test name.",
         .needs = Needs::Database,
         .run = report_commands::excel,
         .options = {{"--out", "FILE"}, {"--detail", nullptr}}},
        {.name = "halliburton",
         .synopsis = "NAME",
         .summary = "write the Halliburton file of the test NAME in the current directory",
         .help = report_commands::kHalliburtonHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "halliburton takes one test name.",
         .needs = Needs::Database,
         .run = report_commands::halliburton},
        {.name = "detail",
         .synopsis = "NAME --out FILE.pdf",
         .summary = "write the detail data report of the test NAME as PDF",
         .help = report_commands::kDetailHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "detail takes one test name.",
         .needs = Needs::Database,
         .run = report_commands::detail,
         .options = {{"--out", "FILE"}},
         .needsWindowSystem = report_commands::detailNeedsWindowSystem},
        {.name = "report",
         .synopsis = "NAME --out FILE.pdf [--units cgs|ei|si] [--models]",
         .summary = "write the test report of the test NAME as PDF (lab header, chart, results, criteria)",
         .help = kTestReportHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "report takes one test name.",
         .needs = Needs::Database,
         .run = testReport,
         .options = {{"--out", "FILE"}, {"--units", "cgs|ei|si"}, {"--models", nullptr}},
         .needsWindowSystem = testReportNeedsWindowSystem},
        // Opens its two databases itself.
        {.name = "copy-db",
         .synopsis = "--from SOURCE --to TARGET",
         .summary = "copy the tests and sequences that TARGET does not hold yet from SOURCE (files or URIs)",
         .help = kCopyDbHelp,
         .operands = {},
         .operandProblem = "copy-db takes no operand; name the databases with --from and --to.",
         .needs = Needs::Nothing,
         .run = copyDb,
         .options = {{"--from", "SOURCE"}, {"--to", "TARGET"}}},
        {.name = "serve",
         .synopsis = "[--listen ADDRESS:PORT] [--token-file FILE]",
         .summary = "serve the lab monitor (units board, tests, charts, JSON API) read-only over HTTP",
         .help = kServeHelp,
         .operands = {},
         .operandProblem = "serve takes no operand.",
         .needs = Needs::Database,
         .run = serve,
         .options = {{"--listen", "ADDRESS:PORT"}, {"--token-file", "FILE"}},
         .needsWindowSystem = serveNeedsWindowSystem},
        {.name = "csv",
         .synopsis = "NAME [--out FILE]",
         .summary = "write the readings of the test NAME as CSV",
         .help = report_commands::kCsvHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "csv takes one test name.",
         .needs = Needs::Database,
         .run = report_commands::csv,
         .options = {{"--out", "FILE"}}},
        {.name = "json",
         .synopsis = "NAME [--out FILE]",
         .summary = "write the record of the test NAME for a LIMS as one JSON document",
         .help = json_commands::kJsonHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "json takes one test name.",
         .needs = Needs::Database,
         .run = json_commands::json,
         .options = {{"--out", "FILE"}}},
        {.name = "import-json",
         .synopsis = "FILE [--name NEW_NAME]",
         .summary = "store a test record (JSON) of this or another lab as a new test",
         .help = json_commands::kImportJsonHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "import-json takes one file name.",
         .needs = Needs::Database,
         .run = json_commands::importJson,
         .options = {{"--name", "NEW_NAME"}}},
        {.name = "readings",
         .synopsis = "NAME",
         .summary = "list the readings of the test NAME with their keys and exclusions",
         .help = record_commands::kReadingsHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "readings takes one test name.",
         .needs = Needs::Database,
         .run = record_commands::readings},
        {.name = "exclude",
         .synopsis = "NAME RESULT_ID... --reason TEXT",
         .summary = "leave readings of the test NAME out of its fits, with the reason",
         .help = record_commands::kExcludeHelp,
         .operands = {Operand::FilledName, Operand::More},
         .operandProblem = "exclude takes a test name and the keys of one or more of its readings.",
         .needs = Needs::Database,
         .run = record_commands::exclude,
         .options = {{"--reason", "TEXT"}}},
        {.name = "include",
         .synopsis = "NAME RESULT_ID...",
         .summary = "take excluded readings of the test NAME back into its fits",
         .help = record_commands::kIncludeHelp,
         .operands = {Operand::FilledName, Operand::More},
         .operandProblem = "include takes a test name and the keys of one or more of its readings.",
         .needs = Needs::Database,
         .run = record_commands::include},
        {.name = "criteria",
         .synopsis = "NAME [--add RATE:CP:MINUTES[:MIN_TEMP_F]]... [--max] [--fitted] [--clear]",
         .summary = "change and print the acceptance criteria of the test NAME and what came of them",
         .help = record_commands::kCriteriaHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "criteria takes one test (or, with --sequence, sequence) name.",
         .needs = Needs::Database,
         .run = record_commands::criteria,
         .options = {{"--add", "RATE:CP:MINUTES[:MIN_TEMP_F]", true},
                     {"--max", nullptr},
                     {"--fitted", nullptr},
                     {"--clear", nullptr},
                     {"--sequence", nullptr},
                     {"--from-sequence", "SEQUENCE"}}},
        {.name = "compare",
         .synopsis = "NAME NAME... [--csv | --out FILE.xlsx]",
         .summary = "print the fitted results and criteria of two or more tests side by side",
         .help = record_commands::kCompareHelp,
         .operands = {Operand::FilledName, Operand::More},
         .operandProblem = "compare takes two or more test names.",
         .needs = Needs::Database,
         .run = record_commands::compare,
         .options = {{"--csv", nullptr}, {"--out", "FILE"}}},
        {.name = "history",
         .synopsis = "NAME",
         .summary = "print the record of changes of the test NAME",
         .help = record_commands::kHistoryHelp,
         .operands = {Operand::FilledName},
         .operandProblem = "history takes one test name.",
         .needs = Needs::Database,
         .run = record_commands::history},
    };
    return kCommands;
}

}  // namespace cli
