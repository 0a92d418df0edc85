#include "analysis/ChosenRates.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"
#include "common/VbFormat.h"
#include "common/WholeFile.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QString kWhatARateIs =
    QStringLiteral("a shear rate is one number of 1/s above 0 and at most %1").arg(ChosenRates::kMaxRate_1ps);

std::optional<double> rateOf(const QString& text) {
    bool ok = false;
    const double rate = text.toDouble(&ok);
    if (!ok || !std::isfinite(rate) || !(rate > 0) || rate > ChosenRates::kMaxRate_1ps) return std::nullopt;
    return rate;
}

// Adds a rate not listed yet; false when the list is full.
bool add(ChosenRates& chosen, double rate) {
    if (std::find(chosen.rates.begin(), chosen.rates.end(), rate) != chosen.rates.end()) return true;
    if (chosen.rates.size() >= static_cast<std::size_t>(ChosenRates::kMaxRates)) return false;
    chosen.rates.push_back(rate);
    return true;
}

QString tooMany() {
    return QStringLiteral("more than %1 shear rates; the rest are left out").arg(ChosenRates::kMaxRates);
}

}  // namespace

ChosenRates ChosenRates::read(const QString& path) {
    const SettingsFile file = SettingsFile::read(path);
    if (file.status == SettingsFile::Status::Missing) return {};
    if (!file.ok()) {
        ChosenRates chosen;
        chosen.problems << file.problem();
        return chosen;
    }
    return parse(file.bytes, QDir::toNativeSeparators(file.path));
}

ChosenRates ChosenRates::parse(const QByteArray& bytes, const QString& fileName) {
    ChosenRates chosen;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (const qsizetype comment = line.indexOf(u'#'); comment >= 0) line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty()) continue;
        const QString where = QStringLiteral("%1, line %2: ").arg(fileName).arg(i + 1);
        const std::optional<double> rate = rateOf(line);
        if (!rate) {
            chosen.problems << where + QStringLiteral("\"%1\" is left out: %2.")
                                           .arg(printable_text::excerpt(line), kWhatARateIs);
            continue;
        }
        if (!add(chosen, *rate)) {
            chosen.problems << where + tooMany() + QStringLiteral(".");
            break;
        }
    }
    return chosen;
}

ChosenRates ChosenRates::parseList(const QString& text) {
    ChosenRates chosen;
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    for (const QString& item : text.split(separators, Qt::SkipEmptyParts)) {
        const std::optional<double> rate = rateOf(item);
        if (!rate) {
            chosen.problems << QStringLiteral("\"%1\" is not a shear rate: %2.")
                                   .arg(printable_text::excerpt(item), kWhatARateIs);
            return chosen;
        }
        if (!add(chosen, *rate)) {
            chosen.problems << QStringLiteral("Give at most %1 shear rates.").arg(kMaxRates);
            return chosen;
        }
    }
    return chosen;
}

QByteArray ChosenRates::toBytes(std::span<const double> rates) {
    QByteArray bytes =
        "# Shear rates (1/s) at which the extended results give each model's viscosity, besides 40, 100\n"
        "# and 170 1/s: one rate a line.\n";
    for (double rate : rates) bytes += vb::Format(rate, QString()).toLatin1() + '\n';
    return bytes;
}

QString ChosenRates::write(std::span<const double> rates, const QString& path) {
    return writeWholeFile(path, toBytes(rates));
}

QString ChosenRates::listText(std::span<const double> rates) {
    QStringList items;
    for (double rate : rates) items << vb::Format(rate, QString());
    return items.join(QStringLiteral(", "));
}
