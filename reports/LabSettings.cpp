#include "reports/LabSettings.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace {

constexpr const char* kKeys = "name, address, logo, paper, models";

QString quoted(const QString& text) {
    return u'"' + printable_text::excerpt(text) + u'"';
}

// One line's setting into the settings; the problem in words, empty when it counts.
QString take(LabSettings& lab, const QString& key, const QString& value, const QString& folder,
             bool& nameSeen, bool& logoSeen, bool& paperSeen) {
    if (printable_text::hasControl(value)) return QStringLiteral("the value holds a control character");
    const bool needsValue = key != QLatin1String("models");
    if (needsValue && value.isEmpty()) return QStringLiteral("%1 needs a value").arg(key);
    if (key == QLatin1String("name")) {
        if (nameSeen) return QStringLiteral("name is given twice; the first counts");
        nameSeen = true;
        lab.name = value;
    } else if (key == QLatin1String("address")) {
        if (lab.address.size() >= LabSettings::kMaxAddressLines)
            return QStringLiteral("more than %1 address lines; this one is left out")
                .arg(LabSettings::kMaxAddressLines);
        lab.address << value;
    } else if (key == QLatin1String("logo")) {
        if (logoSeen) return QStringLiteral("logo is given twice; the first counts");
        logoSeen = true;
        lab.logoPath = QDir::cleanPath(QDir(folder).absoluteFilePath(value));
    } else if (key == QLatin1String("paper")) {
        if (paperSeen) return QStringLiteral("paper is given twice; the first counts");
        if (value.compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0)
            lab.paper = QPageSize::A4;
        else if (value.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0)
            lab.paper = QPageSize::Letter;
        else
            return QStringLiteral("the paper is A4 or Letter, not %1").arg(quoted(value));
        paperSeen = true;
    } else if (key == QLatin1String("models")) {
        if (value.isEmpty() || value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
            lab.models = true;
        else if (value.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
            lab.models = false;
        else
            return QStringLiteral("models is yes or no, not %1").arg(quoted(value));
    } else {
        return QStringLiteral("%1 is no setting of the lab (%2)").arg(quoted(key), QLatin1String(kKeys));
    }
    return {};
}

}  // namespace

QString LabSettings::pathBeside(const QString& initialPath) {
    return QFileInfo(initialPath).absoluteDir().absoluteFilePath(QString::fromLatin1(kFileName));
}

LabSettings LabSettings::read(const QString& path) {
    const SettingsFile file = SettingsFile::read(path);
    if (file.status == SettingsFile::Status::Missing) return {};
    if (!file.ok()) {
        LabSettings lab;
        lab.problems << file.problem();
        return lab;
    }
    LabSettings lab =
        parse(file.bytes, QDir::toNativeSeparators(file.path), QFileInfo(file.path).absolutePath());
    lab.readLogo();
    return lab;
}

LabSettings LabSettings::parse(const QByteArray& bytes, const QString& fileName, const QString& folder) {
    LabSettings lab;
    bool nameSeen = false, logoSeen = false, paperSeen = false;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // Only a whole line is a comment: an address may hold "#" ("Suite #4").
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const qsizetype blank = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString key = (blank < 0 ? line : line.left(blank)).toLower();
        const QString value = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        const QString problem = take(lab, key, value, folder, nameSeen, logoSeen, paperSeen);
        if (!problem.isEmpty())
            lab.problems << QStringLiteral("%1, line %2: %3.").arg(fileName).arg(i + 1).arg(problem);
    }
    return lab;
}

void LabSettings::readLogo() {
    logo = QImage();
    if (logoPath.isEmpty()) return;
    const QString shown = QDir::toNativeSeparators(logoPath);
    const QFileInfo info(logoPath);
    QString reason;
    if (!info.exists())
        reason = QStringLiteral("there is no such file");
    else if (!info.isFile() || info.size() > kMaxLogoBytes)
        reason = QStringLiteral("it is no image file of at most %1 MB").arg(kMaxLogoBytes / (1024 * 1024));
    if (reason.isEmpty()) {
        QImageReader reader(logoPath);
        reader.setAutoTransform(true);
        logo = reader.read();
        if (logo.isNull()) reason = reader.errorString();
    }
    if (!reason.isEmpty())
        problems << QStringLiteral("The lab's logo %1 cannot be read (%2); the report is made without it.")
                        .arg(u'"' + shown + u'"', reason);
}

QPageSize::PageSizeId LabSettings::paperFor(const QLocale& locale) const {
    return paper.value_or(LocalePaper(locale));
}

QPageSize::PageSizeId LocalePaper(const QLocale& locale) {
    const bool letter =
        locale.measurementSystem() == QLocale::ImperialUSSystem || locale.territory() == QLocale::Canada;
    return letter ? QPageSize::Letter : QPageSize::A4;
}
