#pragma once

#include <QString>

#include <cstddef>

#include "common/Messenger.h"

class clsConnection;

// The long test the open-test figures are taken on, shared by the benchmarks that open one.
namespace long_test {

inline constexpr int kReadings = 100000;
inline const QString kName = QStringLiteral("Bench 100k");

// Stores the test in one transaction: temperature steps of 1,000 readings each, one second apart; each
// step ends with an eight-rate shear ramp. Returns its TEST_ID.
double store(clsConnection& connection);

// The test's rows with the statement the record class uses, straight from the engine into an array of
// doubles: what the engine allows. Returns the number of rows.
std::size_t bareRead(clsConnection& connection, double testId);

// Answers every question without showing anything.
class SilentMessenger : public Messenger {
  public:
    void info(const QString&, const QString&, MsgIcon) override {}
    bool okCancel(const QString&, const QString&, MsgIcon) override { return true; }
    bool yesNo(const QString&, const QString&, MsgIcon) override { return true; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return {}; }
};

// Opening the stored test the way the main window does (list check, test row, one read of the readings,
// every ramp fitted, results cells and chart arrays), each time followed by a bare read of its rows.
struct OpenFigures {
    double open_ms = 0;  // medians of the rounds
    double bare_ms = 0;
    std::size_t fits = 0;
    int resultRows = 0;
    std::size_t chartPoints = 0;
    // The models alone, part of the open (the points of every ramp, the power law, Bingham and
    // Herschel-Bulkley): the median of as many rounds on the opened readings.
    double models_ms = 0;
    std::size_t hbFitted = 0;  // ramps with a Herschel-Bulkley fit
    // Why the test did not open whole; empty when it did.
    QString problem;
};
// `rounds` rounds, after one that warms the caches and is not counted.
OpenFigures measureOpen(clsConnection& connection, int rounds);

}  // namespace long_test
