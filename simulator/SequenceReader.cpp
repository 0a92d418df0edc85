#include "simulator/SequenceReader.h"

#include "link/UnitCommands.h"

#include <QString>

namespace {

using UnitCommands::kTerminator;

// A cursor over the body that reads the few token shapes it is made of.
class Cursor {
  public:
    explicit Cursor(QByteArray text) : text_(std::move(text)) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    bool expect(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

    // An optional "-" and a run of digits, as text.
    std::optional<QByteArray> digits() {
        const qsizetype start = pos_;
        if (peek('-')) ++pos_;
        const qsizetype first = pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        if (pos_ == first) {
            pos_ = start;
            return std::nullopt;
        }
        return text_.mid(start, pos_ - start);
    }

    // A number with or without decimals ("000030", "-005", "000.0").
    std::optional<double> number() {
        const qsizetype start = pos_;
        if (!digits()) return std::nullopt;
        if (peek('.')) {
            ++pos_;
            while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        }
        return toDouble(text_.mid(start, pos_ - start));
    }

    // A number with exactly four decimals ("00100.0000"); what follows it directly is the next field.
    std::optional<double> fourDecimals() {
        const qsizetype start = pos_;
        if (!digits() || !expect('.')) {
            pos_ = start;
            return std::nullopt;
        }
        for (int k = 0; k < 4; ++k) {
            if (pos_ >= text_.size() || !isDigit(text_[pos_])) {
                pos_ = start;
                return std::nullopt;
            }
            ++pos_;
        }
        return toDouble(text_.mid(start, pos_ - start));
    }

    static std::optional<double> toDouble(const QByteArray& token) {
        bool ok = false;
        const double v = token.toDouble(&ok);
        return ok ? std::optional<double>(v) : std::nullopt;
    }
    static std::optional<int> toInt(const QByteArray& token) {
        bool ok = false;
        const int v = token.toInt(&ok);
        return ok ? std::optional<int>(v) : std::nullopt;
    }

  private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    QByteArray text_;
    qsizetype pos_ = 0;
};

// A count written "00" joined to the first number "01" of its list: "0201" is 2 and 1, "12001" 120 and 1.
bool splitCountAndFirst(const QByteArray& joined, int* count) {
    if (joined.size() < 4 || joined.startsWith('-') || !joined.endsWith("01")) return false;
    const auto n = Cursor::toInt(joined.left(joined.size() - 2));
    if (!n || *n < 1) return false;
    *count = *n;
    return true;
}

}  // namespace

std::optional<UnitSequence> readSequenceBody(const QByteArray& bodyIn) {
    QByteArray body = bodyIn;
    const qsizetype end = body.indexOf(kTerminator);
    if (end >= 0) body.truncate(end);
    if (!body.endsWith(" 05x")) return std::nullopt;
    body.chop(4);

    UnitSequence seq;
    Cursor c(body);

    // Ramp count, joined to the first ramp number unless there is no ramp.
    const auto head = c.digits();
    if (!head) return std::nullopt;
    int rampCount = 0;
    if (c.peek('w')) {
        const auto n = Cursor::toInt(*head);
        if (!n || *n != 0) return std::nullopt;
    } else if (!splitCountAndFirst(*head, &rampCount)) {
        return std::nullopt;
    }

    for (int i = 1; i <= rampCount; ++i) {
        if (i > 1) {
            const auto number = c.digits();
            if (!number || Cursor::toInt(*number) != i) return std::nullopt;
        }
        UnitSequence::Ramp ramp;
        std::optional<double> elapse, temp, error, rate;
        if (!c.expect(' ') || !(elapse = c.number()) || !c.expect(' ') || !(temp = c.number()) ||
            !c.expect(' ') || !(error = c.number()) || !c.expect(' ') || !(rate = c.fourDecimals()) ||
            !c.expect(' '))
            return std::nullopt;
        ramp.elapse_min = *elapse;
        ramp.temp_F = *temp;
        ramp.startError_F = *error;
        ramp.shearRate_1ps = *rate;
        seq.ramps.append(ramp);
    }
    if (!c.expect('w')) return std::nullopt;

    // Step count, joined to the first step number, or with no step to the wait before reading.
    const auto stepHead = c.digits();
    if (!stepHead) return std::nullopt;
    int stepCount = 0;
    std::optional<double> timeBeforeRead;
    if (stepHead->startsWith("00") && stepHead->size() >= 5) {
        timeBeforeRead = Cursor::toDouble(stepHead->mid(2));
    } else if (!splitCountAndFirst(*stepHead, &stepCount)) {
        return std::nullopt;
    }
    for (int j = 1; j <= stepCount; ++j) {
        if (j > 1) {
            const auto number = c.digits();
            if (!number || Cursor::toInt(*number) != j) return std::nullopt;
        }
        std::optional<double> rate;
        if (!c.expect(' ') || !(rate = c.fourDecimals())) return std::nullopt;
        seq.shearRates_1ps.append(*rate);
    }
    if (stepCount > 0) timeBeforeRead = c.number();
    if (!timeBeforeRead) return std::nullopt;
    seq.timeBeforeRead_s = *timeBeforeRead;

    std::optional<double> sampleRate, average, shutTime, shutVisc, interval;
    if (!c.expect(' ') || !(sampleRate = c.number()) || !c.expect(' ') || !(average = c.number()) ||
        !c.expect(' ') || !(shutTime = c.number()) || !c.expect(' ') || !(shutVisc = c.number()) ||
        !c.expect(' ') || !(interval = c.number()) || !c.atEnd())
        return std::nullopt;
    seq.sampleRate_s = *sampleRate;
    seq.pointsAverage = *average;
    seq.shutDownATime_min = *shutTime;
    seq.shutDownVisc_cP = *shutVisc;
    seq.sampleInterval_s = *interval;
    return seq;
}
