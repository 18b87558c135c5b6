#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <string>

// How a field of a status row is shown in the list.
namespace tavrin::display {

// Appends the displayed value of a field: a number is rounded to a whole number (an exact half
// to the even neighbour), divided by 1000 and written with two decimals, no "0" before the
// point, and "Kb/s" after it; any other text, or a number beyond 64 bits, is appended unchanged.
void appendDisplayed(std::string& out, QByteArrayView field);

QString displayedValue(QByteArrayView field);

} // namespace tavrin::display
