#include "instrument/SequenceSending.h"

#include "common/VbFormat.h"
#include "instrument/SequenceBody.h"
#include "link/SequenceDownload.h"
#include "sequence/SequenceStore.h"

namespace SequenceSending {

StoredSequence load(SequenceStore& store, const QString& name) {
    StoredSequence sequence = store.read(name);
    sequence.settings.sampleInterval_s = SequenceBody::effectiveSampleInterval(sequence.settings);
    return sequence;
}

QString refusal(const StoredSequence& sequence) {
    const auto count = [](qsizetype n) { return vb::Format(static_cast<double>(n), QStringLiteral("0")); };
    QStringList problems;
    if (sequence.steps.size() > kMaxWireCount)
        problems << QStringLiteral("%1 temperature steps").arg(count(sequence.steps.size()));
    if (sequence.shearRates_1ps.size() > kMaxWireCount)
        problems << QStringLiteral("%1 shear-rate steps").arg(count(sequence.shearRates_1ps.size()));
    if (problems.isEmpty()) return {};
    return QStringLiteral(
               "The sequence \"%1\" has %2, but a unit takes at most %3 of each. Nothing was sent; please "
               "shorten the sequence in the setup window and send it again.")
        .arg(sequence.name, problems.join(QStringLiteral(" and ")), count(kMaxWireCount));
}

QByteArray body(const StoredSequence& sequence) {
    return SequenceBody::build(sequence);
}

SequenceDownload::Exchange exchange(const StoredSequence& sequence) {
    return SequenceDownload::Exchange(body(sequence));
}

bool download(UnitPort& port, const StoredSequence& sequence) {
    return SequenceDownload::send(port, body(sequence));
}

}  // namespace SequenceSending
