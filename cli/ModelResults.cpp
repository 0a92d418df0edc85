// r7716-cli results with --model, --rates or --kpipe: the extended results, as the window shows them.

#include "analysis/ChosenRates.h"
#include "analysis/ModelTables.h"
#include "cli/Commands.h"

#include <QTextStream>

namespace cli {

namespace {

struct ModelRequest {
    std::vector<RampModel> models;
    model_tables::Options options;
};

// The request from the options; a problem in words when one is wrong.
QString parseModelRequest(const Invocation& call, ModelRequest& request) {
    const QString model = call.options.value("--model", QStringLiteral("power"));
    if (model == QLatin1String("power"))
        request.models = {RampModel::PowerLaw};
    else if (model == QLatin1String("bingham"))
        request.models = {RampModel::Bingham};
    else if (model == QLatin1String("hb"))
        request.models = {RampModel::HerschelBulkley};
    else if (model == QLatin1String("all"))
        request.models.assign(std::begin(model_tables::kModels), std::end(model_tables::kModels));
    else
        return QStringLiteral("--model takes power, bingham, hb or all, not '%1'.").arg(field(model));

    request.options.kPipe = call.options.has("--kpipe");
    if (call.options.has("--rates")) {
        const ChosenRates given = ChosenRates::parseList(call.options.value("--rates"));
        if (!given.problems.isEmpty()) return QStringLiteral("--rates: ") + given.problems.first();
        request.options.rates = given.rates;
        return {};
    }
    // The operator's list; what is wrong with it is said, and the good rates are used.
    const ChosenRates chosen = ChosenRates::read();
    for (const QString& problem : chosen.problems) call.err << kProgram << ": " << problem << '\n';
    call.err.flush();
    request.options.rates = chosen.rates;
    return {};
}

void printTable(QTextStream& out, const model_tables::Table& table) {
    QStringList header = table.header;
    for (QString& cell : header) cell.replace(u'\r', u' ');
    out << header.join(u'\t') << '\n';
    const QStringList emptyRow(header.size(), QString());
    for (const QStringList& row : table.rows) {
        QStringList cells = row.isEmpty() ? emptyRow : row;
        for (QString& cell : cells) cell = field(cell);
        out << cells.join(u'\t') << '\n';
    }
}

}  // namespace

bool wantsModelResults(const Invocation& call) {
    return call.options.has("--model") || call.options.has("--rates") || call.options.has("--kpipe");
}

int modelResults(const Invocation& call, const OpenedTest& test, UnitSystem unitSystem) {
    ModelRequest request;
    if (const QString problem = parseModelRequest(call, request); !problem.isEmpty())
        return failure(call.err, problem, kUsage);
    const bool titled = request.models.size() > 1;
    for (std::size_t i = 0; i < request.models.size(); ++i) {
        const RampModel model = request.models[i];
        if (i > 0) call.out << '\n';
        if (titled) call.out << model_tables::Title(model) << '\n';
        printTable(call.out, model_tables::Build(model, test, unitSystem, request.options));
    }
    return kOk;
}

}  // namespace cli
