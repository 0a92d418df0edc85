#pragma once

#include "analysis/RampFit.h"
#include "sequence/SequenceData.h"
#include "simulator/FluidModel.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <vector>

class clsConnection;

// Demonstration tests for a fresh installation: each one is a run of a demonstration sequence on a
// simulated fluid, generated reading by reading the way a unit window stores them, so that the charts,
// fits and reports have something realistic to show.

// One additive of a stored test.
struct DemoAdditive {
    QString name;
    double concentration = 0;
    QString unit;
    QString lotNo;
};

// What a demonstration test is: its descriptive data, the sequence it runs and the fluid it shears.
struct DemoTestPlan {
    QString name;
    QString sequenceName;
    QString fluidId;
    QDateTime testTime;
    QString researcher;
    QString rotorNo;
    QString bobNo;
    double bobRadius_cm = 0;
    double bobEffLength_cm = 0;
    double preTestPh = 7;
    double postTestPh = 7;
    QString notes;  // SAFETY
    QList<DemoAdditive> additives;
    FluidModel::Params fluid;
    double loadPressure_psi = 400;  // applied at the start; rises as the sample heats
    unsigned seed = 1;
};

// The demonstration tests, in the order init-demo stores them.
QList<DemoTestPlan> demoTestPlans();

// Runs a sequence on the plan's fluid and returns the readings a unit window would store, in time order:
// ordinary readings (type 0) once per recording interval during each temperature step, and one reading
// (type 1) per shear rate of the ramp at the end of each step that runs it. The oven and the fluid are the
// unit simulator's (CellModel): the bath heats toward each set point at a limited rate, the sample lags the
// bath, the gel thins with temperature and breaks with time. Every value carries a little noise from the
// plan's seed, so the same plan always gives the same readings.
std::vector<Reading> simulateDemoRun(const StoredSequence& sequence, const DemoTestPlan& plan);

// Stores a test: its TEST_INFO row, its additives and its readings, in one transaction (nothing is left
// of it when a statement fails). Returns the new TEST_ID. Raises StoreError (kNameTaken when a test of
// that name is stored, in any letter case).
double storeTest(clsConnection& connection, const DemoTestPlan& plan, const std::vector<Reading>& readings);

// What init-demo did with one demonstration test.
struct DemoTestOutcome {
    QString name;
    bool created = false;  // false: a test of that name was stored already and was left alone
    int readings = 0;
};

// Stores the demonstration sequences (when missing) and every demonstration test whose name is not stored
// yet; runs each test on its sequence as stored. Several programs may do so at once: each name is stored
// once. Raises StoreError, whose description then also says what was stored before the failure.
QList<DemoTestOutcome> createDemoTests(clsConnection& connection);
