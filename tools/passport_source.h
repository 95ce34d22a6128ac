#pragma once
// Building a passport from a readable JSON source through the data module, so that every rule of
// the model runs as if a user had typed the values in.
//
// Source shape (UTF-8):
//   { "PASPORTS": { field: value, ... },
//     "REFLECT_HORIZONTS": [ { field: value, ... }, ... ],
//     "POSIB_PRODUCT_HOR": [ { field: value, ..., "contour": [ [ID, "X", "Y"], ... ] }, ... ],
//     "FILES": [ { "NAME": stored name, "source": path, "DESCRIPTION": comment }, ... ] }
// Values: null, numbers, texts (converted to CP1251; a text that does not fit is an error) and
// date-times as "yyyy-MM-ddTHH:mm:ss". Fields are written in the table's field order, whatever the
// order of the keys, so the cascades (which clear later fields) keep what the source gives.
// Contour points are typed in the text form of the horizon's coordinate type; their count is left
// to the rule that counts them. Attachment paths are relative to the source's folder.
#include <QJsonObject>
#include <QString>

namespace talvena {

class TDataModule2;

// Throws Error naming the table, record and field of the value that was refused.
void BuildPassportFromSource(TDataModule2& module, const QJsonObject& source, const QString& sourceFolder);

} // namespace talvena
