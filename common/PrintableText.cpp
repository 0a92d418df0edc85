#include "common/PrintableText.h"

#include <algorithm>

namespace printable_text {

namespace {

constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;

QString escapeOf(QChar c) {
    switch (c.unicode()) {
        case u'\t':
            return QStringLiteral("\\t");
        case u'\n':
            return QStringLiteral("\\n");
        case u'\r':
            return QStringLiteral("\\r");
        case kLineSeparator:
            return QStringLiteral("\\u2028");
        case kParagraphSeparator:
            return QStringLiteral("\\u2029");
        default:
            return QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
}

}  // namespace

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == kLineSeparator || u == kParagraphSeparator;
}

bool hasControl(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), isControl);
}

QString escaped(const QString& text) {
    if (!hasControl(text)) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (isControl(c))
            out += escapeOf(c);
        else
            out += c;
    }
    return out;
}

QString excerpt(const QString& text, int maxChars) {
    QString shown = text.left(maxChars);
    for (QChar& c : shown)
        if (!c.isPrint() || c == QChar::ReplacementCharacter) c = u'?';
    if (text.size() > maxChars) shown += QStringLiteral("...");
    return shown;
}

std::optional<QString> nameProblem(const QString& what, const QString& name) {
    if (!hasControl(name)) return std::nullopt;
    return QStringLiteral(
               "The %1 \"%2\" holds a control character (shown as \\t, \\n, \\r or \\xHH); please type the "
               "name without tabs, line breaks or other control characters.")
        .arg(what, escaped(name));
}

}  // namespace printable_text
