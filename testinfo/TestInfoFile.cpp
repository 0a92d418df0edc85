#include "testinfo/TestInfoFile.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"
#include "common/VbFormat.h"
#include "testinfo/TestInfoForm.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringList>

namespace testinfo_file {

namespace {

const QString kAdditiveKey = QStringLiteral("ADDITIVE");
const QStringList kFieldKeys{
    QStringLiteral("FLUID_ID"),   QStringLiteral("RESEARCHER_NAME"), QStringLiteral("ROTOR_NO"),
    QStringLiteral("BOB_NO"),     QStringLiteral("BOB_RADIUS"),      QStringLiteral("BOB_EFF_LENGTH"),
    QStringLiteral("PRETEST_PH"), QStringLiteral("POSTTEST_PH"),     QStringLiteral("SAFETY")};
const QStringList kNumberKeys{QStringLiteral("BOB_RADIUS"), QStringLiteral("BOB_EFF_LENGTH"),
                              QStringLiteral("PRETEST_PH"), QStringLiteral("POSTTEST_PH")};

bool isNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?\s*$)"));
    return number.match(text).hasMatch();
}

Result failure(const QString& where, const QString& what) {
    return {std::nullopt, where + QStringLiteral(": ") + what};
}

}  // namespace

Result parse(const QString& text, const QString& testName, const std::optional<QString>& presetBob,
             const QString& source) {
    QMap<QString, QString> fields;
    QList<NewAdditive> additives;
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF))) lines.first().remove(0, 1);
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        const QString where = source + u':' + QString::number(i + 1);
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            return failure(where,
                           QStringLiteral("not a KEY=value line: \"%1\"").arg(printable_text::excerpt(line)));
        const QString key = line.left(equals);
        const QString value = line.mid(equals + 1);
        if (key == kAdditiveKey) {
            if (additives.size() == TestInfoInput::kMaxAdditives)
                return failure(where,
                               QStringLiteral("more than %1 additives").arg(TestInfoInput::kMaxAdditives));
            const QStringList parts = value.split(u'|');
            if (parts.size() != additive_grid::kCols)
                return failure(where, QStringLiteral("an additive is ADDITIVE=name|concentration|unit|lot"));
            if (parts[0].isEmpty()) return failure(where, QStringLiteral("an additive needs a name"));
            const QString& concentration = parts[1];
            if (!concentration.trimmed().isEmpty() && !isNumber(concentration))
                return failure(where, QStringLiteral("the concentration is not a number: \"%1\"")
                                          .arg(printable_text::excerpt(concentration)));
            additives.append({parts[0], vb::Val(concentration), parts[2], parts[3]});
            continue;
        }
        if (!kFieldKeys.contains(key))
            return failure(where, QStringLiteral("unknown key \"%1\" (the keys are %2 and %3)")
                                      .arg(printable_text::excerpt(key),
                                           kFieldKeys.join(QStringLiteral(", ")), kAdditiveKey));
        if (fields.contains(key)) return failure(where, QStringLiteral("%1 is given twice").arg(key));
        if (kNumberKeys.contains(key) && !isNumber(value))
            return failure(
                where, QStringLiteral("%1 is not a number: \"%2\"").arg(key, printable_text::excerpt(value)));
        fields.insert(key, value);
    }

    // As the dialog fills its boxes: defaults, the preset bob, the bob given, then the rest.
    TestInfoTexts texts = TestInfoTexts::initial();
    texts.testName = testName;
    if (presetBob) texts.setBobNo(*presetBob, bobs::lookup);
    if (fields.contains(QStringLiteral("BOB_NO")))
        texts.setBobNo(fields.value(QStringLiteral("BOB_NO")), bobs::lookup);
    const auto take = [&](const char* key, QString& box) {
        const QString k = QString::fromLatin1(key);
        if (fields.contains(k)) box = fields.value(k);
    };
    take("FLUID_ID", texts.fluidId);
    take("RESEARCHER_NAME", texts.researchName);
    take("ROTOR_NO", texts.rotoNo);
    take("BOB_RADIUS", texts.bobRadius);
    take("BOB_EFF_LENGTH", texts.bobLength);
    take("PRETEST_PH", texts.preTestPh);
    take("POSTTEST_PH", texts.postTestPh);
    take("SAFETY", texts.safety);

    TestInfoInput input = texts.toInput();
    if (const auto problem = bobs::geometryProblem(input.bobRadius_cm, input.bobEffLength_cm))
        return failure(source, *problem);
    input.additives = additives;
    return {input, QString()};
}

Result read(const QString& path, const QString& testName, const std::optional<QString>& presetBob) {
    const SettingsFile file = SettingsFile::read(path);
    if (!file.ok()) return {std::nullopt, file.problem()};
    return parse(QString::fromUtf8(file.bytes), testName, presetBob, path);
}

}  // namespace testinfo_file
