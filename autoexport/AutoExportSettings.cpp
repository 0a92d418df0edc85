#include "autoexport/AutoExportSettings.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace export_format {

namespace {
constexpr const char* kNames[kCount] = {"report", "json", "csv", "brief", "detail", "halliburton"};
}

QString text(ExportFormat format) {
    return QString::fromLatin1(kNames[static_cast<int>(format)]);
}

std::optional<ExportFormat> fromText(const QString& text) {
    for (int i = 0; i < kCount; ++i)
        if (text == QLatin1String(kNames[i])) return static_cast<ExportFormat>(i);
    return std::nullopt;
}

QString allNames() {
    QStringList names;
    for (const char* name : kNames) names << QString::fromLatin1(name);
    return names.join(QStringLiteral(", "));
}

}  // namespace export_format

namespace {

QString quoted(const QString& text) {
    return u'"' + printable_text::excerpt(text) + u'"';
}

// The words of one line, a comment (from a word that begins with '#') taken off.
QStringList wordsOf(const QString& line) {
    QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (int w = 0; w < words.size(); ++w)
        if (words[w].startsWith(u'#')) return words.mid(0, w);
    return words;
}

// Applies one line to the settings; its problem when it cannot.
QString apply(const QStringList& words, const QString& rest, const QDir& base, AutoExportSettings& settings) {
    const QString& key = words[0];
    if (key == QLatin1String("folder")) {
        if (rest.isEmpty()) return QStringLiteral("\"folder\" takes the path of a folder");
        if (!settings.folder.isEmpty()) return QStringLiteral("a second \"folder\" line");
        if (printable_text::hasControl(rest))
            return QStringLiteral("the folder's path holds a control character");
        settings.folder = QDir::cleanPath(base.absoluteFilePath(rest));
        return {};
    }
    if (key == QLatin1String("formats")) {
        if (words.size() < 2)
            return QStringLiteral("\"formats\" takes one or more of %1").arg(export_format::allNames());
        QList<ExportFormat> formats;
        for (const QString& name : words.mid(1)) {
            const std::optional<ExportFormat> format = export_format::fromText(name.toLower());
            if (!format)
                return QStringLiteral("%1 is no format (%2)").arg(quoted(name), export_format::allNames());
            formats << *format;
        }
        for (ExportFormat format : formats)
            if (!settings.formats.contains(format)) settings.formats << format;
        std::sort(settings.formats.begin(), settings.formats.end());
        return {};
    }
    if (key == QLatin1String("units")) {
        const std::optional<UnitSystem> units =
            words.size() == 2 ? unitSystemFromName(words[1]) : std::nullopt;
        if (!units) return QStringLiteral("\"units\" takes one of cgs, ei, si");
        settings.units = units;
        return {};
    }
    return QStringLiteral("%1 is no setting (folder, formats, units)").arg(quoted(key));
}

}  // namespace

QString AutoExportSettings::pathBeside(const QString& initialPath) {
    return QFileInfo(initialPath).absoluteDir().absoluteFilePath(QString::fromLatin1(kFileName));
}

AutoExportSettings AutoExportSettings::read(const QString& path) {
    const SettingsFile file = SettingsFile::read(path);
    if (file.status == SettingsFile::Status::Missing) {
        AutoExportSettings none;
        none.path = file.path;
        return none;
    }
    if (!file.ok()) {
        AutoExportSettings bad;
        bad.path = file.path;
        bad.problems << file.problem();
        return bad;
    }
    return parse(file.bytes, file.path);
}

AutoExportSettings AutoExportSettings::parse(const QByteArray& bytes, const QString& path) {
    AutoExportSettings settings;
    settings.path = path;
    const QString name = QFileInfo(path).fileName();
    const QDir base = QFileInfo(path).absoluteDir();
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList words = wordsOf(lines[i]);
        if (words.isEmpty()) continue;
        // A folder's path may hold blanks: it is the rest of the line after the key, comment aside.
        QString rest = lines[i].trimmed().mid(words[0].size()).trimmed();
        if (const qsizetype hash = rest.indexOf(QRegularExpression(QStringLiteral("(^|\\s)#"))); hash >= 0)
            rest = rest.left(hash).trimmed();
        const QString problem = apply(words, rest, base, settings);
        if (!problem.isEmpty())
            settings.problems << QStringLiteral("%1 line %2: %3.").arg(name).arg(i + 1).arg(problem);
    }
    if (settings.folder.isEmpty() && !settings.formats.isEmpty())
        settings.problems << QStringLiteral("%1: no \"folder\" line, so nothing is exported.").arg(name);
    if (!settings.folder.isEmpty() && settings.formats.isEmpty())
        settings.problems << QStringLiteral("%1: no \"formats\" line, so nothing is exported.").arg(name);
    return settings;
}
