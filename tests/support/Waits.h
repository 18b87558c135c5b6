#pragma once

#include <QTest>

// Waits that only a fault can run out: a loaded machine may be slow, never a minute slow.
#define TRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 60000)
#define TRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 60000)
