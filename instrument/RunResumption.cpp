#include "instrument/RunResumption.h"

#include "store/RecordingLock.h"

std::vector<run_journal::Run> interruptedRunsOfThisStation(clsConnection& connection) {
    const QString station = store::Recorder::thisProgram(0).station;
    std::vector<run_journal::Run> mine;
    for (run_journal::Run& run : run_journal::runs(connection, true))
        if (run.station == station) mine.push_back(std::move(run));
    return mine;
}
