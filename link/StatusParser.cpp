#include "link/StatusParser.h"

#include "common/VbFormat.h"
#include "link/UnitCommands.h"

namespace {

constexpr int kCommasInReply = 8;
constexpr int kLastField = 8;

bool isTemperatureField(int position) {
    return position >= 2 && position <= 4;
}

}  // namespace

double StatusReply::value(StatusField field) const {
    return has(field) ? vb::Val(text(field)) : 0.0;
}

void StatusParser::append(const QByteArray& bytes) {
    buffer_.append(bytes);
    if (buffer_.size() <= kMaxBuffer) return;
    // Keep the newest messages that fit, cut at a message boundary; an unterminated run longer than the
    // limit is noise and goes entirely.
    const qsizetype cut = buffer_.size() - kMaxBuffer;
    const qsizetype boundary = buffer_.indexOf(UnitCommands::kTerminator, cut - 1);
    if (boundary < 0)
        buffer_.clear();
    else
        buffer_.remove(0, boundary + 1);
}

QList<StatusReply> StatusParser::feed(const QByteArray& bytes) {
    append(bytes);
    return parse();
}

void StatusParser::dropThroughFirstTerminator() {
    const qsizetype end = buffer_.indexOf(UnitCommands::kTerminator);
    if (end < 0)
        buffer_.clear();
    else
        buffer_.remove(0, end + 1);
}

QList<StatusReply> StatusParser::parse() {
    QList<StatusReply> replies;
    while (true) {
        const qsizetype end = buffer_.indexOf(UnitCommands::kTerminator);
        if (end < 0) break;
        // The code must be one character: "12,..." and anything without a comma there is dropped.
        if (buffer_.indexOf(',') != 1) {
            dropThroughFirstTerminator();
            break;
        }
        if (buffer_.left(end).count(',') != kCommasInReply) {
            dropThroughFirstTerminator();
            break;
        }

        StatusReply reply;
        reply.code = static_cast<int>(vb::Val(QString(QLatin1Char(buffer_.at(0)))));
        buffer_.remove(0, 2);

        bool cutShort = false;
        for (int position = 2; position <= kLastField; ++position) {
            const qsizetype comma = buffer_.indexOf(',');
            const qsizetype messageEnd = buffer_.indexOf(UnitCommands::kTerminator);
            if (comma < 0 || (messageEnd >= 0 && comma > messageEnd)) {
                dropThroughFirstTerminator();
                cutShort = true;
                break;
            }
            const QString field = QString::fromLatin1(buffer_.constData(), comma);
            if (isTemperatureField(position) && field.contains(u'.')) {
                buffer_.clear();
                cutShort = true;
                break;
            }
            buffer_.remove(0, comma + 1);
            reply.fields.append(field);
        }
        replies.append(reply);
        if (cutShort) break;
        dropThroughFirstTerminator();  // the spare ninth field and the terminator
    }
    return replies;
}
