#pragma once

#include "core/platform/Clock.h"

namespace tavrin::test {

// A clock that stays where the test puts it.
struct FixedClock final : Clock {
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2026, 12, 5), QTime(11, 0, 58)};
};

} // namespace tavrin::test
