#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// How a field of a status row is shown in the list.
namespace tavrin::display {

// The most bytes writeDisplayed may write for the field.
inline qsizetype displayedRoom(QByteArrayView field)
{
    return field.size() > 32 ? field.size() : 32;
}

// Writes the displayed value of a field at `out` and returns the end of what it wrote: a number
// is rounded to a whole number (an exact half to the even neighbour), divided by 1000 and written
// with two decimals, no "0" before the point, and "Kb/s" after it; any other text, or a number
// beyond 64 bits, is written unchanged. `out` must have displayedRoom(field) bytes of room.
char* writeDisplayed(char* out, QByteArrayView field);

// Writes the displayed value of a field into `out`, grown as needed, and returns a view of it.
inline QByteArrayView displayInto(QByteArray& out, QByteArrayView field)
{
    const qsizetype room = displayedRoom(field);
    if (out.size() < room)
        out.resize(room);
    return {out.data(), writeDisplayed(out.data(), field) - out.data()};
}

QString displayedValue(QByteArrayView field);

} // namespace tavrin::display
