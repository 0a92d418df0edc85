#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// Number and date texts as the instrument, the screens and the reports write them. One module, so that a
// value shows and travels the same everywhere.
namespace vb {

// Writes a number with a picture.
//  Fixed pictures ("000.0", "0000.0000", "00", "000000", ...): round half away from zero to the decimals of
//  the picture, pad the integer part with leading zeros to the picture's width, "-" before the padded digits,
//  grow past the picture when the number is larger.
//  Display patterns ("0.0000", "###", "#.", "####.#", "##0.##", "0.###############", ...): "0" a digit always
//  written, "#" a digit written only when significant, "." the decimal point (always written when the pattern
//  has one).
// Both kinds follow one rule set:
//  - integer digits: at least as many as the picture has from its first "0" before the point to the point
//    ("##0" at least one, "000" at least three, "###" none, so 0 in "###" is an empty text);
//  - decimals: rounded to the count of "0" and "#" after the point; trailing zeros are dropped back to the
//    last "0" of the picture ("##0.##": 1.5 -> "1.5", 150 -> "150.");
//  - the value is first written with 15 significant digits and those decimal digits are rounded, so a
//    binary near-miss rounds as its written form reads (2.675 in "0.00" -> "2.68");
//  - a negative value gets "-" before its digits unless it rounds to zero (-0.04 in "0.0" -> "0.0");
//  - "." is always the decimal point: the texts are read back with Val, which knows no other separator.
// Characters other than "0", "#" and "." are ignored. An empty picture gives the general form (as Str,
// without the sign blank, with a leading zero: "0.5"). NaN and infinities have no picture form: empty text.
QString Format(double value, const QString& picture);

// As Format, with another character for the decimal point (for a text that is only shown, never read back).
QString Format(double value, const QString& picture, QChar decimalSeparator);

// The leading-number rule: skip leading blanks, take the longest numeric prefix ("12abc" -> 12,
// "-3.5e2x" -> -350), 0 when there is none. Never throws.
// Grammar after the blanks (spaces, tabs, line breaks): optional "+" or "-", digits, optional "." and digits,
// optional "e"/"E", optional sign and at least one digit (an incomplete exponent is not part of the number:
// "1e" -> 1, "2e+x" -> 2). A number beyond the range of a double saturates at the largest double of its sign
// so that range checks reject it; one too small to hold reads as 0.
double Val(const QString& text);

// Number to text with a blank in the sign position of a non-negative number (" 5", "-5", " .5").
// Up to 15 significant digits, trailing zeros and a leading zero before the point dropped; numbers from
// 1E+15 up and below 0.0001 in exponent form (" 1E+15", "-2.5E-07"). NaN and infinities: " NaN", " Inf",
// "-Inf".
QString Str(double value);

// Assignment to an integer field: round half to even (60.5 -> 60, 61.5 -> 62).
// Values beyond the int range saturate at its ends; NaN gives 0.
int CInt(double value);

// Pads a line with blanks to the start of the next 14-column print zone (columns counted from 0): the next
// text begins at the first column that is a multiple of 14 and not before the line's end. A line ending just
// before a zone start needs no blanks.
QString PadToNextPrintZone(const QString& line);

// The general date-and-time form used in the error log ("12/08/2026 15:43:10"): the system locale's short
// date with a four-digit year, a blank, and its short time with seconds added.
QString GeneralDate(const QDateTime& when);
// As above for a given locale (the system's by default).
QString GeneralDate(const QDateTime& when, const QLocale& locale);

// "Short Time": hours and minutes of a 24-hour clock, two digits each ("07:05"). An invalid time: "00:00".
QString ShortTime(const QTime& when);

// A count of seconds as a time of day after midnight, "hh:mm:ss" on a 24-hour clock; wraps at a day in both
// directions (90000 -> "01:00:00", -60 -> "23:59:00"). The elapsed-time displays and the exports use it.
QString TimeOfDay(qint64 seconds);

}  // namespace vb
