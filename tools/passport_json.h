#pragma once
// The JSON form of an open passport, for scripts and support: every data field of the five
// passport tables by name, in field order, and the calculated resources of each productive horizon.
//
// Values: NULL as null; integers and floats as numbers; texts converted from CP1251 to UTF-8;
// date-times as "yyyy-MM-ddTHH:mm:ss" (".zzz" added only when there are milliseconds; null for a
// value outside the calendar); Blob values as {"size", "crc32"} of the decompressed attachment as
// its member's trailer states them (the size modulo 2^32), with "damaged": true when the stored
// data is not a gzip member. With `verify` every member is decoded: size and CRC-32 are then what
// it decodes to, and "damaged" also marks one that does not decode completely or disagrees with
// its trailer.
#include <QByteArray>

namespace talvena {

class TDataModule2;

// `fileLabel` is the passport file's name as given by the user, UTF-8.
QByteArray PassportJson(TDataModule2& module, const QByteArray& fileLabel, bool verify = false);

} // namespace talvena
