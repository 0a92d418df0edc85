#pragma once

#include "cli/CommandTable.h"

#include <memory>

class AutoExporter;
class EventSink;

// The exports of autoexport.txt from the command line: autoexport NAME writes them for a stored test now;
// run and resume make them when their run ends, as the window program does.
namespace cli {

extern const char* const kAutoExportHelp;
int autoExport(const Invocation& call);

// The test report's chart is drawn with the window system (offscreen without a display): run, resume and
// autoexport need it when autoexport.txt of the current directory asks for the report.
bool runNeedsWindowSystem(const Options& options);

// The exporter of a run, standing before `next` (the notifications); none when autoexport.txt asks for
// nothing. Its problems are named on err.
std::unique_ptr<AutoExporter> runExporter(const Invocation& call, EventSink* next);
// Waits for the run's exports at its end; what is late or failed is named on err.
void finishExports(const Invocation& call, AutoExporter* exporter, int wait_ms);

}  // namespace cli
