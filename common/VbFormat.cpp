#include "common/VbFormat.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace vb {

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kPrintZoneWidth = 14;

// A finite double as decimal digits: value = (negative ? -1 : 1) * 0.d1d2d3... * 10^(pointPos).
// digits holds no leading zero; an empty digits string is zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int pointPos = 0;  // count of digits before the decimal point (may be negative or beyond digits)
};

// The value with 15 significant digits, correctly rounded from its binary form and independent of the
// C locale (std::to_chars never writes a comma).
Decimal toDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0.0) return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                   kSignificantDigits - 1);
    const std::string text(buf, res.ptr);
    const auto ePos = text.find('e');
    for (std::size_t i = 0; i < ePos; ++i)
        if (text[i] != '.') d.digits.push_back(text[i]);
    const int exponent = std::stoi(text.substr(ePos + 1));
    d.pointPos = exponent + 1;
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Rounds the digits half away from zero so that no digit remains below 10^-decimals.
void roundToDecimals(Decimal& d, int decimals) {
    const long long keep = static_cast<long long>(d.pointPos) + decimals;
    if (keep >= static_cast<long long>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = static_cast<int>(keep) - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPos;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.pointPos = 0;
}

char digitAt(const Decimal& d, long long index) {
    return index >= 0 && index < static_cast<long long>(d.digits.size())
               ? d.digits[static_cast<std::size_t>(index)]
               : '0';
}

struct Picture {
    int minIntegerDigits = 0;
    int decimals = 0;
    int requiredDecimals = 0;
    bool hasPoint = false;
};

Picture parsePicture(const QString& picture) {
    Picture p;
    int integerPositions = 0;
    int firstZero = -1;
    for (const QChar c : picture) {
        if (c == u'.' && !p.hasPoint) {
            p.hasPoint = true;
        } else if (c == u'0' || c == u'#') {
            if (!p.hasPoint) {
                if (c == u'0' && firstZero < 0) firstZero = integerPositions;
                ++integerPositions;
            } else {
                ++p.decimals;
                if (c == u'0') p.requiredDecimals = p.decimals;
            }
        }
    }
    p.minIntegerDigits = firstZero < 0 ? 0 : integerPositions - firstZero;
    return p;
}

// The general form shared by Str and an empty picture: 15 significant digits, exponent form outside
// 1E-4 .. 1E+15.
QString generalForm(double value, bool signBlank, bool leadingZero) {
    if (std::isnan(value)) return signBlank ? QStringLiteral(" NaN") : QStringLiteral("NaN");
    if (std::isinf(value)) {
        if (value < 0) return QStringLiteral("-Inf");
        return signBlank ? QStringLiteral(" Inf") : QStringLiteral("Inf");
    }
    const Decimal d = toDecimal(value);
    std::string out;
    if (d.digits.empty()) {
        out = "0";
    } else {
        const int exponent = d.pointPos - 1;
        if (exponent >= kSignificantDigits || exponent < -4) {
            out.push_back(d.digits[0]);
            if (d.digits.size() > 1) out += "." + d.digits.substr(1);
            out += exponent < 0 ? "E-" : "E+";
            std::string e = std::to_string(std::abs(exponent));
            if (e.size() < 2) e.insert(0, "0");
            out += e;
        } else if (d.pointPos <= 0) {
            out = (leadingZero ? "0." : ".") + std::string(static_cast<std::size_t>(-d.pointPos), '0') +
                  d.digits;
        } else {
            for (int i = 0; i < d.pointPos; ++i) out.push_back(digitAt(d, i));
            if (static_cast<int>(d.digits.size()) > d.pointPos) out += "." + d.digits.substr(d.pointPos);
        }
    }
    const bool negative = d.negative && !d.digits.empty();
    QString sign = negative ? QStringLiteral("-") : (signBlank ? QStringLiteral(" ") : QString());
    return sign + QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

}  // namespace

QString Format(double value, const QString& picture) {
    return Format(value, picture, u'.');
}

QString Format(double value, const QString& picture, QChar decimalSeparator) {
    if (!std::isfinite(value)) return {};
    if (picture.isEmpty()) return generalForm(value, false, true);

    const Picture p = parsePicture(picture);
    Decimal d = toDecimal(value);
    roundToDecimals(d, p.decimals);

    QString integerPart;
    for (long long i = 0; i < d.pointPos; ++i) integerPart.append(QLatin1Char(digitAt(d, i)));
    if (integerPart.size() < p.minIntegerDigits)
        integerPart.prepend(QString(p.minIntegerDigits - integerPart.size(), u'0'));

    QString fraction;
    for (int k = 0; k < p.decimals; ++k) fraction.append(QLatin1Char(digitAt(d, d.pointPos + k)));
    while (fraction.size() > p.requiredDecimals && fraction.endsWith(u'0')) fraction.chop(1);

    QString out;
    if (d.negative && !d.digits.empty()) out.append(u'-');
    out.append(integerPart);
    if (p.hasPoint) {
        out.append(decimalSeparator);
        out.append(fraction);
    }
    return out;
}

double Val(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n')) ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    auto isDigit = [&](qsizetype k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };

    // Significant digits (leading zeros dropped) and the position of the point among them.
    std::string digits;
    long long pointShift = 0;  // value = 0.digits * 10^pointShift
    bool anyDigit = false;
    constexpr std::size_t kMaxKeptDigits = 40;  // beyond any double's precision
    for (; isDigit(i); ++i) {
        anyDigit = true;
        const char c = static_cast<char>(text[i].unicode());
        if (digits.empty() && c == '0') continue;
        if (digits.size() < kMaxKeptDigits) digits.push_back(c);
        ++pointShift;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        for (; isDigit(i); ++i) {
            anyDigit = true;
            const char c = static_cast<char>(text[i].unicode());
            if (digits.empty() && c == '0') {
                --pointShift;
                continue;
            }
            if (digits.size() < kMaxKeptDigits) digits.push_back(c);
        }
    }
    if (!anyDigit || digits.empty()) return 0.0;

    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype k = i + 1;
        bool expNegative = false;
        if (k < n && (text[k] == u'+' || text[k] == u'-')) {
            expNegative = text[k] == u'-';
            ++k;
        }
        if (isDigit(k)) {
            long long exponent = 0;
            for (; isDigit(k); ++k) {
                // Saturate: anything this large already over- or underflows a double.
                if (exponent < 100000) exponent = exponent * 10 + (text[k].unicode() - u'0');
            }
            pointShift += expNegative ? -exponent : exponent;
        }
    }

    const double huge = std::numeric_limits<double>::max();
    if (pointShift > 310) return negative ? -huge : huge;
    if (pointShift < -330) return 0.0;

    const std::string normalized = "0." + digits + "e" + std::to_string(pointShift);
    double result = 0.0;
    const auto res = std::from_chars(normalized.data(), normalized.data() + normalized.size(), result);
    if (res.ec == std::errc::result_out_of_range)
        result = pointShift > 0 ? huge : 0.0;
    else if (res.ec != std::errc())
        result = 0.0;
    if (std::isinf(result)) result = huge;
    return negative ? -result : result;
}

QString Str(double value) {
    return generalForm(value, true, false);
}

int CInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    const double floor = std::floor(value);
    const double diff = value - floor;
    double result = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0)) result = floor + 1.0;
    return static_cast<int>(result);
}

QString PadToNextPrintZone(const QString& line) {
    const qsizetype column = line.size();
    const qsizetype zoneStart = (column + kPrintZoneWidth - 1) / kPrintZoneWidth * kPrintZoneWidth;
    return line + QString(zoneStart - column, u' ');
}

QString GeneralDate(const QDateTime& when) {
    return GeneralDate(when, QLocale::system());
}

QString GeneralDate(const QDateTime& when, const QLocale& locale) {
    if (!when.isValid()) return {};
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(u's')) {
        const qsizetype minutes = timeFormat.indexOf(QLatin1String("mm"));
        if (minutes >= 0)
            timeFormat.insert(minutes + 2, QLatin1String(":ss"));
        else
            timeFormat = QStringLiteral("HH:mm:ss");
    }
    return locale.toString(when.date(), dateFormat) + u' ' + locale.toString(when.time(), timeFormat);
}

QString ShortTime(const QTime& when) {
    if (!when.isValid()) return QStringLiteral("00:00");
    return when.toString(QStringLiteral("HH:mm"));
}

QString TimeOfDay(qint64 seconds) {
    constexpr qint64 kDay = 86400;
    qint64 s = seconds % kDay;
    if (s < 0) s += kDay;
    const auto two = [](qint64 v) { return Format(static_cast<double>(v), QStringLiteral("00")); };
    return two(s / 3600) + u':' + two(s / 60 % 60) + u':' + two(s % 60);
}

}  // namespace vb
