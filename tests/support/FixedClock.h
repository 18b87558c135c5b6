#pragma once

#include "core/platform/Clock.h"

namespace tavrin::test {

class FixedClock final : public Clock {
public:
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2026, 12, 5), QTime(11, 0, 58)};
};

} // namespace tavrin::test
