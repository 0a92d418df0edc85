#include "cli/DemoTests.h"

#include "common/VbFormat.h"
#include "sequence/DemoSequences.h"
#include "sequence/SequenceStore.h"
#include "simulator/CellModel.h"
#include "store/NewTest.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <algorithm>
#include <cmath>
#include <random>

#undef EOF  // the record classes' EOF(), not the C library's macro

namespace {

// The oven and the fluid are the simulated unit's (CellModel), in a room at this temperature.
constexpr double kRoomTemp_F = 75.0;
// The cell's pressure rises with the sample's temperature (thermal expansion against the back-pressure).
constexpr double kPressureRise_psiPerF = 0.8;
// How long a step waits past its time for the sample to come within its start error before the demo
// moves on regardless (a real run would wait on).
constexpr int kMaxSettleWait_s = 3600;

class Run {
  public:
    Run(const StoredSequence& sequence, const DemoTestPlan& plan)
        : sequence_(sequence), plan_(plan), cell_(FluidModel(plan.fluid), kRoomTemp_F), random_(plan.seed) {}

    std::vector<Reading> readings() {
        const SequenceSettings& s = sequence_.settings;
        const int sampleRate_s = std::max(1, static_cast<int>(std::lround(s.rampSampleRate_s)));
        const int average = std::max(1, static_cast<int>(std::lround(s.samplePointsAverage)));
        // The recording interval is never shorter than the samples of one average take.
        const int interval_s =
            std::max(static_cast<int>(std::lround(s.sampleInterval_s)), sampleRate_s * average);
        const int rampStepTicks =
            std::max(1, static_cast<int>(std::lround(s.timeBeforeRead_s))) + sampleRate_s * average;

        for (int i = 0; i < sequence_.steps.size(); ++i) {
            const SequenceStep& step = sequence_.steps[i];
            const double rampNo = i + 1;
            const int duration_s = std::max(0, static_cast<int>(std::lround(step.elapseTime_min * 60)));
            int phaseTicks = 0;
            while (true) {
                tick(step.temp_F);
                ++phaseTicks;
                if (phaseTicks % interval_s == 0)
                    store(rampNo, 0, 0, step.shearRate_1ps, averageNoise(average));
                const bool settled = std::fabs(step.temp_F - cell_.sample_F()) <= step.startError_F;
                if (phaseTicks > duration_s && (settled || phaseTicks > duration_s + kMaxSettleWait_s)) break;
            }
            if (step.runRamp != 1) continue;
            for (int j = 0; j < sequence_.shearRates_1ps.size(); ++j) {
                for (int t = 0; t < rampStepTicks; ++t) tick(step.temp_F);
                store(rampNo, j + 1, 1, sequence_.shearRates_1ps[j], averageNoise(average));
            }
        }
        return std::move(readings_);
    }

  private:
    // Noise of an average of `count` samples.
    static double averageNoise(int count) { return 1.0 / std::sqrt(static_cast<double>(count)); }

    double gauss(double sigma) { return std::normal_distribution<double>(0.0, sigma)(random_); }

    // One second with the heater on the set point and the bath raised, as in a run the unit window leads.
    void tick(double setPoint_F) {
        cell_.advance(1.0, setPoint_F, true);
        ++elapsed_s_;
    }

    void store(double rampNo, double stepNo, double type, double rate_1ps, double noise) {
        Reading r;
        r.rampNo = rampNo;
        r.rampStepNo = stepNo;
        r.time_s = elapsed_s_;
        const double sample_F = cell_.sample_F();
        r.sampleTemp_F = sample_F + gauss(0.4 * noise);
        r.bathTemp_F = cell_.bath_F() + gauss(0.4 * noise);
        r.pressure_psi =
            plan_.loadPressure_psi + kPressureRise_psiPerF * (sample_F - kRoomTemp_F) + gauss(3.0 * noise);
        r.shearRate_1ps = rate_1ps * (1.0 + gauss(0.002 * noise));
        r.shearStress_dyncm2 = cell_.shearStress(r.shearRate_1ps) * (1.0 + gauss(0.02 * noise));
        r.typeId = type;
        // One decimal as the unit reports temperatures, pressures and rates; stresses with two.
        for (double* v : {&r.sampleTemp_F, &r.bathTemp_F, &r.pressure_psi, &r.shearRate_1ps})
            *v = std::round(*v * 10.0) / 10.0;
        r.shearStress_dyncm2 = std::round(r.shearStress_dyncm2 * 100.0) / 100.0;
        readings_.push_back(r);
    }

    const StoredSequence& sequence_;
    const DemoTestPlan& plan_;
    CellModel cell_;
    std::mt19937 random_;
    int elapsed_s_ = 0;
    std::vector<Reading> readings_;
};

QDateTime localTime(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

}  // namespace

QList<DemoTestPlan> demoTestPlans() {
    const QStringList sequences = demoSequenceNames();
    QList<DemoTestPlan> plans;

    DemoTestPlan borate;
    borate.name = QStringLiteral("Demo 30# Borate XL 250F");
    borate.sequenceName = sequences.value(0);
    borate.fluidId = QStringLiteral("30# Guar Borate XL");
    borate.testTime = localTime(2024, 5, 14, 9, 12, 5);
    borate.researcher = QStringLiteral("R. Alvarez");
    borate.rotorNo = QStringLiteral("R1");
    borate.bobNo = QStringLiteral("B5");
    borate.bobRadius_cm = 1.5987;
    borate.bobEffLength_cm = 7.62;
    borate.preTestPh = 9.8;
    borate.postTestPh = 9.1;
    borate.notes = QStringLiteral(
        "Demonstration test generated by r7716-cli init-demo. Tap water, 2% KCl, "
        "crosslinked in the blender for 30 s before loading.");
    borate.additives = {
        {QStringLiteral("Guar WG-19"), 30, QStringLiteral("lb/Mgal"), QStringLiteral("G-2417")},
        {QStringLiteral("KCl"), 2, QStringLiteral("%"), QStringLiteral("K-0932")},
        {QStringLiteral("Borate XL-7"), 1.5, QStringLiteral("gal/Mgal"), QStringLiteral("B-1188")},
        {QStringLiteral("Caustic buffer"), 0.35, QStringLiteral("gal/Mgal"), QStringLiteral("C-0451")},
        {QStringLiteral("AP breaker"), 0.5, QStringLiteral("lb/Mgal"), QStringLiteral("AP-77")},
    };
    borate.fluid.k0 = 95.0;
    borate.fluid.n0 = 0.42;
    borate.fluid.breakTime_s = 90000.0;
    borate.fluid.breakSpeedup_perF = 0.016;
    borate.loadPressure_psi = 400;
    borate.seed = 20240514;
    plans.append(borate);

    DemoTestPlan stability;
    stability.name = QStringLiteral("Demo 40# Zr CMHPG 350F");
    stability.sequenceName = sequences.value(1);
    stability.fluidId = QStringLiteral("40# CMHPG Zirconate XL");
    stability.testTime = localTime(2024, 5, 16, 8, 47, 30);
    stability.researcher = QStringLiteral("M. Chen");
    stability.rotorNo = QStringLiteral("R1");
    stability.bobNo = QStringLiteral("B5");
    stability.bobRadius_cm = 1.5987;
    stability.bobEffLength_cm = 7.62;
    stability.preTestPh = 10.2;
    stability.postTestPh = 9.6;
    stability.notes = QStringLiteral(
        "Demonstration test generated by r7716-cli init-demo. High-temperature "
        "stability with a delayed zirconate crosslinker and gel stabiliser.");
    stability.additives = {
        {QStringLiteral("CMHPG"), 40, QStringLiteral("lb/Mgal"), QStringLiteral("CM-5520")},
        {QStringLiteral("Zirconate XL-Z"), 0.8, QStringLiteral("gal/Mgal"), QStringLiteral("Z-3301")},
        {QStringLiteral("Sodium thiosulfate"), 10, QStringLiteral("lb/Mgal"), QStringLiteral("S-1407")},
        {QStringLiteral("Bicarbonate buffer"), 4, QStringLiteral("lb/Mgal"), QStringLiteral("BB-226")},
    };
    stability.fluid.k0 = 140.0;
    stability.fluid.n0 = 0.36;
    stability.fluid.thinning_perF = 0.0065;
    stability.fluid.breakTime_s = 400000.0;
    stability.fluid.breakSpeedup_perF = 0.012;
    stability.loadPressure_psi = 450;
    stability.seed = 20240516;
    plans.append(stability);
    return plans;
}

std::vector<Reading> simulateDemoRun(const StoredSequence& sequence, const DemoTestPlan& plan) {
    return Run(sequence, plan).readings();
}

double storeTest(clsConnection& connection, const DemoTestPlan& plan, const std::vector<Reading>& readings) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.SetDefaults();
    info.setTEST_NAME(plan.name);
    info.setFluid_ID(plan.fluidId);
    info.setTEST_TIME(plan.testTime);
    info.setRESEARCHER_NAME(plan.researcher);
    info.setROTOR_NO(plan.rotorNo);
    info.setBOB_NO(plan.bobNo);
    info.setBOB_RADIUS(plan.bobRadius_cm);
    info.setBOB_EFF_LENGTH(plan.bobEffLength_cm);
    info.setPreTest_PH(plan.preTestPh);
    info.setPostTest_PH(plan.postTestPh);
    info.setSAFETY(plan.notes);

    QList<NewAdditive> additives;
    for (const DemoAdditive& a : plan.additives) additives.append({a.name, a.concentration, a.unit, a.lotNo});
    return StoreNewTest(connection, info, additives, readings);
}

namespace {

// What a failed init-demo had stored before the failure, and what it was storing.
QString storedBefore(const QStringList& sequences, const QList<DemoTestOutcome>& outcomes,
                     const QString& failed) {
    QStringList done;
    for (const QString& name : sequences) done << QStringLiteral("the test sequence \"%1\"").arg(name);
    for (const DemoTestOutcome& outcome : outcomes)
        if (outcome.created)
            done << QStringLiteral("the test \"%1\" with %2 readings")
                        .arg(outcome.name, vb::Format(outcome.readings, QStringLiteral("0")));
    const QString before =
        done.isEmpty()
            ? QStringLiteral("Nothing was stored before the failure.")
            : QStringLiteral("Stored before the failure: %1.").arg(done.join(QStringLiteral(", ")));
    if (failed.isEmpty()) return before;
    return before + QStringLiteral(" Nothing of the test \"%1\" was stored.").arg(failed);
}

}  // namespace

QList<DemoTestOutcome> createDemoTests(clsConnection& connection) {
    QStringList sequencesStored;
    QList<DemoTestOutcome> outcomes;
    QString storing;
    try {
        createDemoSequences(connection, &sequencesStored);
        SequenceStore sequences(connection);
        for (const DemoTestPlan& plan : demoTestPlans()) {
            DemoTestOutcome outcome;
            outcome.name = plan.name;
            if (!TestNameIsStored(connection, plan.name)) {
                storing = plan.name;
                const std::vector<Reading> readings =
                    simulateDemoRun(sequences.read(plan.sequenceName), plan);
                try {
                    storeTest(connection, plan, readings);
                    outcome.created = true;
                    outcome.readings = static_cast<int>(readings.size());
                } catch (const StoreError& e) {
                    // Another program stored it since the look: left as it is, like any stored one.
                    if (e.number() != StoreError::kNameTaken) throw;
                }
                storing.clear();
            }
            outcomes.append(outcome);
        }
    } catch (const StoreError& e) {
        throw e.withNote(storedBefore(sequencesStored, outcomes, storing));
    }
    return outcomes;
}
