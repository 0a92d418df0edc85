// r7716-cli's commands that reach instrument units or prepare what is sent to them: status,
// send-sequence, sequence-body, retrieve; and the opening of a unit's port that they and run share.

#include "cli/Commands.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "instrument/DataRetrieval.h"
#include "instrument/SequenceSending.h"
#include "instrument/StatusDisplay.h"
#include "link/SequenceDownload.h"
#include "link/StatusParser.h"
#include "link/UnitAssignment.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "store/clsConnection.h"
#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoFile.h"

#include <QDateTime>
#include <QTextStream>

namespace cli {

namespace {

int unitError(QTextStream& err, const QString& problem) {
    return failure(err, problem, kUnitError);
}

}  // namespace

std::unique_ptr<UnitPort> openUnitPort(const Invocation& call) {
    UnitAssignment::LookupError error;
    const std::optional<int> portNumber =
        UnitAssignment::portOfUnit(call.unit, error, call.settings.lastRead());
    const QString unitName = UnitAssignment::unitText(call.unit);
    if (!portNumber) {
        unitError(call.err, UnitAssignment::errorText(error));
        return nullptr;
    }
    if (*portNumber == 0) {
        unitError(call.err, QStringLiteral("%1 has no serial port in \"%2\" (its line is 0).")
                                .arg(unitName, QString::fromLatin1(InitialSettings::kFileName)));
        return nullptr;
    }
    std::unique_ptr<UnitPort> port = call.ports ? call.ports(*portNumber) : nullptr;
    if (!port) {
        unitError(call.err, UnitAssignment::kCreateObjectErrorText);
        return nullptr;
    }
    try {
        port->open(*portNumber);
    } catch (const UnitPortError& e) {
        unitError(call.err, QStringLiteral("the port of %1 cannot be opened: %2")
                                .arg(unitName, UnitAssignment::errorText({e.description(), e.number()})));
        return nullptr;
    }
    return port;
}

namespace {

void printStatus(const StatusReply& reply, QTextStream& out) {
    const auto line = [&out](const char* name, const QString& value) {
        out << name << '\t' << field(value) << '\n';
    };
    line("status_code", vb::Format(reply.code, QStringLiteral("0")));
    line("state", StatusDisplay::stateText(reply.code));
    line("sample_temp_F", reply.text(StatusField::SampleTemp));
    line("bath_temp_F", reply.text(StatusField::BathTemp));
    line("set_point_F", reply.text(StatusField::TempSetPoint));
    line("motor_speed_rpm", reply.text(StatusField::MotorSpeed));
    line("shear_stress_dyn_cm2", reply.text(StatusField::ShearStress));
    line("pressure_psi", reply.text(StatusField::Pressure));
    line("shear_rate_1ps", reply.text(StatusField::ShearRate));
}

// The stored sequence as a unit window loads it, checked for the wire; nothing after a message.
std::optional<StoredSequence> sequenceToSend(const Invocation& call) {
    const QString& name = call.name();
    if (name.isEmpty()) {
        unitError(call.err, SequenceDownload::kNoSequenceText);
        return std::nullopt;
    }
    SequenceStore store(call.database());
    StoredSequence sequence = SequenceSending::load(store, name);
    if (!sequence.found) {
        unitError(call.err, QStringLiteral("no sequence named \"%1\" is stored.").arg(name));
        return std::nullopt;
    }
    if (const QString refusal = SequenceSending::refusal(sequence); !refusal.isEmpty()) {
        unitError(call.err, refusal);
        return std::nullopt;
    }
    return sequence;
}

// The new test's data: the --info file, or the dialog's initial texts with its own bob (a retrieval does
// not preset the unit's bob). Nothing after a message when the file is wrong.
std::optional<TestInfoInput> retrievalInfo(const Invocation& call) {
    const QString& name = call.name();
    const testinfo_file::Result info =
        call.options.has("--info") ? testinfo_file::read(call.options.value("--info"), name, std::nullopt)
                                   : testinfo_file::parse(QString(), name, std::nullopt, QString());
    if (!info.input) failure(call.err, info.error, kUsage);
    return info.input;
}

}  // namespace

int status(const Invocation& call) {
    constexpr double kSlice_s = 0.05;
    constexpr int kSlices = 40;  // 2 s
    std::unique_ptr<UnitPort> port = openUnitPort(call);
    if (!port) return kUnitError;
    StatusParser parser;
    try {
        port->send(UnitCommands::statusQuery());
        for (int slice = 0; slice < kSlices; ++slice) {
            port->delay(kSlice_s);
            for (const StatusReply& reply : parser.feed(port->readAll())) {
                if (!reply.complete()) continue;
                printStatus(reply, call.out);
                port->close();
                return kOk;
            }
        }
    } catch (const UnitPortError& e) {
        port->close();
        return unitError(call.err, QStringLiteral("the port of %1 failed: %2")
                                       .arg(UnitAssignment::unitText(call.unit),
                                            UnitAssignment::errorText({e.description(), e.number()})));
    }
    port->close();
    return unitError(call.err, QStringLiteral("no well-formed status reply from %1 within 2 s.")
                                   .arg(UnitAssignment::unitText(call.unit)));
}

int sendSequence(const Invocation& call) {
    const std::optional<StoredSequence> sequence = sequenceToSend(call);
    if (!sequence) return kUnitError;
    std::unique_ptr<UnitPort> port = openUnitPort(call);
    if (!port) return kUnitError;
    const bool acknowledged = SequenceSending::download(*port, *sequence);
    port->close();
    call.out << SequenceDownload::resultText(acknowledged) << '\n';
    return acknowledged ? kOk : kUnitError;
}

int sequenceBody(const Invocation& call) {
    const std::optional<StoredSequence> sequence = sequenceToSend(call);
    if (!sequence) return kUnitError;
    call.out << QString::fromLatin1(SequenceSending::body(*sequence));
    return kOk;
}

int retrieve(const Invocation& call) {
    const std::optional<TestInfoInput> info = retrievalInfo(call);
    if (!info) return kUsage;
    // Refused before the unit is asked, as the dialog refuses it; the store asks again when it writes.
    if (const std::optional<QString> problem =
            TestInfoEntry::nameProblem(TestInfoEntry::storedNames(call.database()), info->testName))
        return unitError(call.err, *problem);
    std::unique_ptr<UnitPort> port = openUnitPort(call);
    if (!port) return kUnitError;
    DataRetrieval retrieval(call.database(), *info, QDateTime::currentDateTime());
    runToEnd(retrieval, *port);
    port->close();
    const RetrievalResult& result = retrieval.result();
    switch (result.kind) {
        case RetrievalResult::Kind::Stored:
        case RetrievalResult::Kind::NothingHeld:
            call.out << result.stored << '\n';
            if (!result.message.isEmpty()) call.err << result.message << '\n';
            return kOk;
        case RetrievalResult::Kind::CommunicationError:
        case RetrievalResult::Kind::NotStored:
            break;
    }
    return unitError(call.err, result.message);
}

}  // namespace cli
