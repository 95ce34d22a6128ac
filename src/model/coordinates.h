#pragma once
// Text forms of contour coordinates by coordinate type (an ID of TCoords): 0, 3 and 4 plain
// numbers, 2 decimal degrees, 1 degrees, minutes and seconds.
#include "table/field.h"
#include "table/value.h"

#include <QByteArray>

namespace talvena {

class RecordTable;

// The name of a coordinate type: NAME of the entry of `coords` (TCoords) whose ID is `type`;
// empty for an unknown type. CP1251 bytes.
QByteArray CoordinateTypeName(const RecordTable& coords, int type);

// The text of a coordinate value (NULL allowed) in a coordinate type; a NULL type counts as 0,
// so callers pass 0 for it. An unknown type gives the empty text. CP1251 bytes.
QByteArray CoordinateText(int coordType, const Value& v);

// Reads the text typed or pasted for a coordinate and writes the field through its ordinary
// write (validation, change handler): spaces are dropped, an empty text makes it NULL.
// Type 1 reads degrees, minutes and seconds and keeps a result of 0 as NULL; the other types
// read a number with a point as decimal separator or throw
// "'%s' is not a valid floating point value" with the text without spaces.
void ReadCoordinate(int coordType, const QByteArray& text, Field& field);

// Degrees from "D<sep>M<sep>S": D and M are digit runs, each followed by any one character,
// S a number with a point. Throws the format error on any missing or unreadable part.
double ParseDegreesMinutesSeconds(const QByteArray& text);
// The same without throwing: false when the text cannot be read (out untouched).
bool ParseDegreesMinutesSeconds(const QByteArray& text, double& out);

} // namespace talvena
