#pragma once

#include <QString>
#include <stdexcept>

// A failure of a handler's step; what() is the description the error report shows.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &description)
        : std::runtime_error(description.toUtf8().toStdString())
    {
    }
};
