#pragma once

#include "sequence/SequenceData.h"

#include <QStringList>
#include <memory>

class clsConnection;
class clsSEQUENCE_INFO;
class clsSEQUENCE_RAMP;
class clsSEQUENCE_RAMP_DEFINE;

// The sequence-level operations on the three sequence tables: list, read, create, save, copy and delete
// a named sequence. Every operation that writes runs as one transaction, so a failure leaves the stored
// sequence as it was. Database failures come out as StoreError; creating or copying to a name that is
// stored already in any letter case (checked inside the transaction) raises StoreError::kNameTaken.
class SequenceStore {
  public:
    // Most shear rates stored per sequence, and the one stored when the list is empty.
    static constexpr int kMaxShearRates = 40;
    static constexpr double kDefaultShearRate_1ps = 100;

    explicit SequenceStore(clsConnection& connection);
    ~SequenceStore();
    SequenceStore(const SequenceStore&) = delete;
    SequenceStore& operator=(const SequenceStore&) = delete;

    // The stored names in name order (attaches the names list afresh).
    QStringList names();
    // True when a sequence of that name is stored, compared without regard to case.
    bool nameIsStored(const QString& name);

    // The sequence of that name; found is false (and everything at defaults) when there is none.
    StoredSequence read(const QString& name);

    // A new sequence with the default settings, no step and no shear rate.
    void create(const QString& name);
    // A new sequence with everything given (its id is ignored), in one transaction.
    void add(const StoredSequence& sequence);

    // Writes the settings of the stored row sequence.id (name included) and rewrites its steps and shear
    // rates whole, all in one transaction.
    void save(const StoredSequence& sequence);

    // Stores the sequence source again under newName (settings, steps and shear rates), in one
    // transaction.
    void copyAs(const QString& source, const QString& newName);

    // Deletes every sequence of that name.
    void remove(const QString& name);

    // The shear rates as stored: the first 40, or one of 100 when there is none.
    static QList<double> ratesToStore(const QList<double>& rates_1ps);

  private:
    void attachNames();
    void writeSettings(double sequenceId, const QString& name, const SequenceSettings& settings);
    double insertRow(const QString& name, const SequenceSettings& settings);
    void writeStepsAndRates(double sequenceId, const QList<SequenceStep>& steps,
                            const QList<double>& rates_1ps);

    clsConnection& connection_;
    std::unique_ptr<clsSEQUENCE_INFO> info_;
    std::unique_ptr<clsSEQUENCE_RAMP> ramp_;
    std::unique_ptr<clsSEQUENCE_RAMP_DEFINE> rampDefine_;
};
