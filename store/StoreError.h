#pragma once

#include <QString>
#include <stdexcept>

// A database failure raised by the connection or a record class. Record classes catch nothing; the window
// that called them reports the failure (number and description) and carries on.
class StoreError : public std::runtime_error {
public:
    StoreError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    int number() const { return number_; }
    QString description() const { return description_; }

private:
    int number_;
    QString description_;
};
