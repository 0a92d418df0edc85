#include "sequence/SequenceStore.h"

#include "store/Transaction.h"
#include "store/clsConnection.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsSEQUENCE_RAMP.h"
#include "store/clsSEQUENCE_RAMP_DEFINE.h"

#undef EOF  // the record classes' EOF(), not the C library's macro
SequenceStore::SequenceStore(clsConnection& connection)
    : connection_(connection),
      info_(std::make_unique<clsSEQUENCE_INFO>()),
      ramp_(std::make_unique<clsSEQUENCE_RAMP>()),
      rampDefine_(std::make_unique<clsSEQUENCE_RAMP_DEFINE>()) {}

SequenceStore::~SequenceStore() = default;

void SequenceStore::attachNames() {
    info_->ConnectX(connection_);
}

QStringList SequenceStore::names() {
    attachNames();
    const RecordTable table = info_->JustName();
    QStringList names;
    for (int row = 0; row < table.rowCount(); ++row) names << table.value(0, row).toString();
    return names;
}

bool SequenceStore::nameIsStored(const QString& name) {
    for (const QString& stored : names())
        if (stored.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

StoredSequence SequenceStore::read(const QString& name) {
    StoredSequence sequence;
    info_->ConnectX(connection_);
    info_->setSEQUENCE_NAME(name);
    info_->GetSeqDetail();
    sequence.found = !info_->EOF();
    sequence.id = info_->SEQUENCE_ID();
    sequence.name = info_->SEQUENCE_NAME();
    sequence.settings.timeBeforeRead_s = info_->TIME_BEFORE_READ();
    sequence.settings.rampSampleRate_s = info_->RAMP_SAMPLE_RATE();
    sequence.settings.samplePointsAverage = info_->SAMPLE_POINTS_AVERAGE();
    sequence.settings.shutDownATime_min = info_->SHUT_DOWN_ATIME();
    sequence.settings.shutDownVisc_cP = info_->SHUT_DOWN_VISC();
    sequence.settings.sampleInterval_s = info_->SAMPLE_INTERVAL();
    if (!sequence.found) return sequence;

    ramp_->setSequenceId(sequence.id);
    ramp_->ConnectX(connection_);
    if (ramp_->rowCount() > 0) {
        ramp_->MoveFirst();
        while (!ramp_->EOF()) {
            sequence.steps.append({ramp_->RAMP_ELAPSE_TIME(), ramp_->RAMP_TEMP(), ramp_->RAMP_START_ERROR(),
                                   ramp_->SHEAR_RATE(), ramp_->RUN_RAMP()});
            ramp_->MoveNext();
        }
    }
    rampDefine_->setSequenceId(sequence.id);
    rampDefine_->ConnectX(connection_);
    if (rampDefine_->RampSteps() > 0) {
        rampDefine_->MoveFirst();
        while (!rampDefine_->EOF()) {
            sequence.shearRates_1ps.append(rampDefine_->RAMP_SHEAR_RATE());
            rampDefine_->MoveNext();
        }
    }
    return sequence;
}

double SequenceStore::insertRow(const QString& name, const SequenceSettings& settings) {
    // Asked again inside the caller's transaction, under the write lock: another program may have stored
    // the name since the operator was asked for it.
    if (nameIsStored(name)) throw StoreError::nameTaken(QStringLiteral("test sequence"), name);
    info_->ConnectX(connection_);
    info_->SetDefaults();
    info_->setSEQUENCE_NAME(name);
    info_->setTIME_BEFORE_READ(settings.timeBeforeRead_s);
    info_->setRAMP_SAMPLE_RATE(settings.rampSampleRate_s);
    info_->setSAMPLE_POINTS_AVERAGE(settings.samplePointsAverage);
    info_->setSHUT_DOWN_ATIME(settings.shutDownATime_min);
    info_->setSHUT_DOWN_VISC(settings.shutDownVisc_cP);
    info_->setSAMPLE_INTERVAL(settings.sampleInterval_s);
    info_->AddNew();
    // The new key is learnt only by reading the row back.
    info_->setSEQUENCE_NAME(name);
    info_->GetSeqDetail();
    return info_->SEQUENCE_ID();
}

void SequenceStore::create(const QString& name) {
    store::Transaction transaction(connection_);
    insertRow(name, SequenceSettings{});
    transaction.commit();
    info_->Refresh();
    attachNames();
}

void SequenceStore::add(const StoredSequence& sequence) {
    store::Transaction transaction(connection_);
    const double id = insertRow(sequence.name, sequence.settings);
    writeStepsAndRates(id, sequence.steps, sequence.shearRates_1ps);
    transaction.commit();
    attachNames();
}

void SequenceStore::writeSettings(double sequenceId, const QString& name, const SequenceSettings& settings) {
    info_->ConnectX(connection_);
    info_->setSEQUENCE_ID(sequenceId);
    info_->setSEQUENCE_NAME(name);
    info_->setTIME_BEFORE_READ(settings.timeBeforeRead_s);
    info_->setRAMP_SAMPLE_RATE(settings.rampSampleRate_s);
    info_->setSAMPLE_POINTS_AVERAGE(settings.samplePointsAverage);
    info_->setSHUT_DOWN_ATIME(settings.shutDownATime_min);
    info_->setSHUT_DOWN_VISC(settings.shutDownVisc_cP);
    info_->setSAMPLE_INTERVAL(settings.sampleInterval_s);
    info_->Update();
}

void SequenceStore::save(const StoredSequence& sequence) {
    store::Transaction transaction(connection_);
    writeSettings(sequence.id, sequence.name, sequence.settings);
    writeStepsAndRates(sequence.id, sequence.steps, sequence.shearRates_1ps);
    transaction.commit();
}

void SequenceStore::copyAs(const QString& source, const QString& newName) {
    const StoredSequence original = read(source);
    store::Transaction transaction(connection_);
    const double id = insertRow(newName, original.settings);
    writeStepsAndRates(id, original.steps, original.shearRates_1ps);
    transaction.commit();
    info_->Refresh();
    attachNames();
}

void SequenceStore::remove(const QString& name) {
    info_->ConnectX(connection_);
    info_->setSEQUENCE_NAME(name);
    info_->Delete();
    info_->Refresh();
    attachNames();
}

QList<double> SequenceStore::ratesToStore(const QList<double>& rates_1ps) {
    if (rates_1ps.isEmpty()) return {kDefaultShearRate_1ps};
    return rates_1ps.mid(0, kMaxShearRates);
}

void SequenceStore::writeStepsAndRates(double sequenceId, const QList<SequenceStep>& steps,
                                       const QList<double>& rates_1ps) {
    ramp_->setSequenceId(sequenceId);
    ramp_->ConnectX(connection_);
    ramp_->setSequenceId(sequenceId);
    ramp_->Delete();
    for (int i = 0; i < steps.size(); ++i) {
        const SequenceStep& step = steps[i];
        ramp_->setSequenceId(sequenceId);
        ramp_->setSEQUENCE_RAMP_ID(0);
        ramp_->setRAMPNO(i + 1);
        ramp_->setRAMP_ELAPSE_TIME(step.elapseTime_min);
        ramp_->setRAMP_TEMP(step.temp_F);
        ramp_->setRAMP_START_ERROR(step.startError_F);
        ramp_->setSHEAR_RATE(step.shearRate_1ps);
        ramp_->setRUN_RAMP(step.runRamp);
        ramp_->AddNew();
    }

    rampDefine_->setSequenceId(sequenceId);
    rampDefine_->ConnectX(connection_);
    rampDefine_->setSequenceId(sequenceId);
    rampDefine_->Delete();
    const QList<double> rates = ratesToStore(rates_1ps);
    for (int i = 0; i < rates.size(); ++i) {
        rampDefine_->setSequenceId(sequenceId);
        rampDefine_->setSEQUENCE_DEF_ID(0);
        rampDefine_->setRAMP_STEP_NO(i + 1);
        rampDefine_->setRAMP_SHEAR_RATE(rates[i]);
        rampDefine_->AddNew();
    }
}
