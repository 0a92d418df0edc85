#include "common/ErrorText.h"

#include "common/VbFormat.h"

QString numberedErrorText(const QString& description, int number) {
    return description + QStringLiteral(" - ") + vb::Format(number, QStringLiteral("0"));
}
