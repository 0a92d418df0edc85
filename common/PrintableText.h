#pragma once

#include <QString>

#include <optional>

// Texts that reach a terminal, a tab-separated line or a message box: stored names, values a unit sent,
// lines of a file a message quotes. A control character in them (ESC, CR, LF, tab, ...) would move the
// cursor, recolour a terminal or break a line format, so they are shown escaped and refused in new names.
namespace printable_text {

// An excerpt of a file's content in a message is at most this many characters.
inline constexpr int kExcerptChars = 20;

// True for a control character (U+0000 to U+001F, U+007F to U+009F) and for the Unicode line and
// paragraph separators.
bool isControl(QChar c);
bool hasControl(const QString& text);

// The text with every control character written as an escape: "\t", "\n", "\r", "\xHH" (two lower-case
// hex digits) for the others up to U+00FF, "\u2028" / "\u2029" for the separators. Every other character,
// the backslash included, stays as it is, so a text without control characters comes out unchanged.
QString escaped(const QString& text);

// At most kExcerptChars characters of the text, each one that cannot be printed (a control character, an
// undecodable byte) as "?", and "..." when the text was longer: what a message may quote of a file it did
// not write itself.
QString excerpt(const QString& text, int maxChars = kExcerptChars);

// Why `name` cannot be stored as a new name (it holds a control character), or nothing. `what` names it
// for the operator ("test name", "sequence name").
std::optional<QString> nameProblem(const QString& what, const QString& name);

}  // namespace printable_text
