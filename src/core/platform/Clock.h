#pragma once

#include <QDateTime>

namespace tavrin {

// The log's source of "now", so tests can fix the time stamp.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace tavrin
