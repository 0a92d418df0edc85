// Arbitrary bytes into everything that reads the unit's wire: nothing may crash, hang or misbehave, and
// the framing must not depend on how the bytes were cut into reads.

#include "link/DataDownload.h"
#include "link/SequenceDownload.h"
#include "link/StatusParser.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Bytes biased toward what matters to the framing: digits, commas, points, terminators and signs, with
// every other byte value now and then.
QByteArray randomBytes(std::mt19937& rng, int maxLength) {
    static const char kAlphabet[] = "0123456789,,,,..\x1a\x1a\x1a\x02\x03-+ ex";
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);
    std::uniform_int_distribution<int> any(0, 255);
    std::bernoulli_distribution wild(0.1);
    QByteArray b;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) b.append(static_cast<char>(wild(rng) ? any(rng) : kAlphabet[pick(rng)]));
    return b;
}

// A plausible reply, sometimes damaged in one place. A "." in a temperature empties the whole buffer, so
// what it takes with it depends on what has arrived; the cut-anywhere property holds without it.
QByteArray randomReply(std::mt19937& rng, bool allowDot) {
    std::uniform_int_distribution<int> digit(0, 9), value(0, 600), damage(0, 9);
    QByteArray r = QByteArray::number(digit(rng));
    for (int i = 0; i < 7; ++i) r += ',' + QByteArray::number(value(rng));
    r += ",0";
    switch (damage(rng)) {
        case 0:
            r.prepend('1');
            break;
        case 1:
            if (allowDot) r.insert(r.indexOf(',', 2), ".5");
            break;
        case 2:
            r.remove(r.lastIndexOf(','), 1);
            break;
        default:
            break;
    }
    if (damage(rng) != 0) r.append(char(26));
    return r;
}

QString summary(const QList<StatusReply>& replies) {
    QString s;
    for (const StatusReply& r : replies) s += QString::number(r.code) + u'|' + r.fields.join(u',') + u';';
    return s;
}

TEST(WireFuzz, StatusParserSurvivesArbitraryBytesWithinItsLimits) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        StatusParser parser;
        for (int poll = 0; poll < 500; ++poll) {
            const QList<StatusReply> replies = parser.feed(randomBytes(rng, 200));
            ASSERT_LE(parser.buffer().size(), StatusParser::kMaxBuffer);
            for (const StatusReply& r : replies) {
                ASSERT_GE(r.code, 0);
                ASSERT_LE(r.code, 9);
                ASSERT_LE(r.fields.size(), 7);
                for (int f = 2; f <= 4 && f - 2 < r.fields.size(); ++f)
                    ASSERT_FALSE(r.fields[f - 2].contains(u'.'));
                for (const QString& field : r.fields) ASSERT_FALSE(field.contains(QChar(26)));
            }
        }
        // Polling without new input ends with no terminator left in the buffer.
        for (int poll = 0; poll < 10000 && parser.buffer().contains(char(26)); ++poll) parser.parse();
        EXPECT_FALSE(parser.buffer().contains(char(26)));
    }
}

TEST(WireFuzz, RepliesCutAnywhereParseAsTheyDoWhole) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        QByteArray stream;
        for (int i = 0; i < 20; ++i) stream += randomReply(rng, false);

        // The same bytes in one read and in random pieces, with enough empty polls to drain each read.
        auto drain = [](StatusParser& p, const QByteArray& piece) {
            QList<StatusReply> all = p.feed(piece);
            while (p.buffer().contains(char(26))) all += p.parse();
            return all;
        };
        StatusParser whole;
        const QList<StatusReply> expected = drain(whole, stream);

        StatusParser cut;
        QList<StatusReply> got;
        std::uniform_int_distribution<int> pieceLength(1, 25);
        for (qsizetype at = 0; at < stream.size();) {
            const int n = pieceLength(rng);
            got += drain(cut, stream.mid(at, n));
            at += n;
        }
        ASSERT_EQ(summary(got), summary(expected)) << "seed " << seed;
    }
}

TEST(WireFuzz, DamagedReplyStreamsOnlyYieldTextTheUnitSent) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        StatusParser parser;
        std::uniform_int_distribution<int> pieceLength(1, 60);
        QByteArray stream;
        for (int i = 0; i < 30; ++i) stream += randomReply(rng, true);
        for (qsizetype at = 0; at < stream.size();) {
            const int n = pieceLength(rng);
            for (const StatusReply& r : parser.feed(stream.mid(at, n))) {
                // The buffer is always an unbroken stretch of the stream, so every reply is text the unit
                // sent in that order; nothing is stitched together across what was dropped.
                if (!r.complete()) continue;
                const QByteArray text =
                    QByteArray::number(r.code) + ',' + r.fields.join(u',').toLatin1() + ',';
                ASSERT_TRUE(stream.contains(text)) << "seed " << seed;
            }
            at += n;
        }
    }
}

TEST(WireFuzz, AcknowledgementAndDataRecordsSurviveArbitraryBytes) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < 500; ++i) {
            const QByteArray bytes = randomBytes(rng, 400);
            EXPECT_EQ(SequenceDownload::isAcknowledged(bytes), !bytes.isEmpty() && bytes.back() == 'x');
            int skipped = 0;
            const QList<DataRecord> records = DataDownload::parseRecords(bytes, &skipped);
            ASSERT_EQ(records.size() + skipped, bytes.count(char(3)));
            DataDownload::judge(bytes);
        }
    }
}

}  // namespace
