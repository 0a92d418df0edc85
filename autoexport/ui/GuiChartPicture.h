#pragma once

#include "autoexport/ExportFiles.h"

// The test report's chart for the export thread: drawn by the main window's chart code, which lives on
// the application's GUI thread. The export thread hands the drawing over and waits for it; the GUI thread
// spends only the drawing on it, between its other events. A thread asked to stop (the program ends)
// stops waiting.
namespace autoexport {

ChartPicture GuiChartPicture();

}  // namespace autoexport
