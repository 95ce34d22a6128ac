#include "tools/passport_source.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "model/passport_rules.h"
#include "table/date_text.h"

#include <QDate>
#include <QTime>
#include <QDir>
#include <QJsonArray>
#include <QSet>
#include <QStringList>
#include <cmath>
#include <functional>
#include <string>

namespace talvena {

namespace {

std::string where(const RecordTable& table, int record, const QString& field)
{
    return table.name().toStdString() + " record " + std::to_string(record + 1) + ", " + field.toStdString();
}

int64_t integerOf(const QJsonValue& v)
{
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 9.0e15) throw Error("an integer is expected");
    return static_cast<int64_t>(d);
}

QByteArray textOf(const QJsonValue& v, const Field& f)
{
    if (!v.isString()) throw Error("a text is expected");
    bool lossless = true;
    const QByteArray text = unicodeToCp1251(v.toString(), &lossless);
    if (!lossless) throw Error("the text holds characters outside Windows-1251");
    if (f.size() > 0 && text.size() > f.size())
        throw Error("the text is longer than " + std::to_string(f.size()) + " characters");
    return text;
}

void setFieldFromJson(Field& f, const QJsonValue& v)
{
    if (!f.isData()) throw Error("not a data field");
    if (v.isNull()) return f.clear();
    if (isDateType(f.type())) {
        // Read without any time zone, so the value does not depend on the machine's zone.
        const QStringList parts = v.toString().split('T');
        const QDate date = QDate::fromString(parts.value(0), Qt::ISODate);
        const QTime time = QTime::fromString(parts.value(1, "00:00:00"), Qt::ISODate);
        double value;
        if (!v.isString() || parts.size() > 2 || !date.isValid() || !time.isValid() ||
            !TryEncodeDateValue(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(),
                                time.msec(), value))
            throw Error("a date \"yyyy-MM-ddTHH:mm:ss\" is expected");
        return f.setDateTime(value);
    }
    switch (f.valueClass()) {
    case ValueClass::Integer: return f.setInteger(integerOf(v));
    case ValueClass::Real:
        if (!v.isDouble()) throw Error("a number is expected");
        return f.setFloat(v.toDouble());
    case ValueClass::Bytes:
        if (f.type() == FieldType::Blob) throw Error("Blob fields are filled from attachment files");
        return f.setString(textOf(v, f));
    }
}

// Writes the record's values in field order. Keys the caller handles itself (`own`) are skipped;
// any other key that names no field is refused.
void fillRecord(RecordTable& table, int record, const QJsonObject& values, const QSet<QString>& own,
                const std::function<void(const QByteArray&)>& afterField = {})
{
    QSet<QString> used = own;
    for (int n = 0; n < table.fieldCount(); ++n) {
        Field& f = table.field(n);
        const QString name = QString::fromLatin1(f.name());
        if (!values.contains(name)) continue;
        used.insert(name);
        try {
            setFieldFromJson(f, values.value(name));
            if (afterField) afterField(f.name());
        } catch (const Error& e) {
            throw Error(where(table, record, name) + ": " + e.what());
        }
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        if (!used.contains(it.key())) throw Error(where(table, record, it.key()) + ": no such field");
}

QJsonArray arrayOf(const QJsonObject& source, const char* key)
{
    const QJsonValue v = source.value(QLatin1String(key));
    if (!v.isUndefined() && !v.isArray()) throw Error(std::string(key) + ": a list of records is expected");
    return v.toArray();
}

void buildPassportRecord(TDataModule2& m, const QJsonObject& source)
{
    // The empty passport the data module starts with is pending; it takes the values.
    if (!source.value("PASPORTS").isObject()) throw Error("PASPORTS: one record is expected");
    // The rules a user's edit of each value sets off run as they do in the window.
    fillRecord(m.PASPORTS, 0, source.value("PASPORTS").toObject(), {},
               [&m](const QByteArray& field) { FollowPassportEdit(m, field); });
    try {
        m.PASPORTS.post();
    } catch (const Error& e) {
        throw Error(where(m.PASPORTS, 0, "post") + ": " + e.what());
    }
}

void buildHorizons(RecordTable& table, const QJsonArray& records, const QSet<QString>& own,
                   const std::function<void(int, const QJsonObject&)>& after = {})
{
    for (int i = 0; i < records.size(); ++i) {
        const QJsonObject record = records[i].toObject();
        table.append();
        fillRecord(table, i, record, own);
        try {
            table.post();
        } catch (const Error& e) {
            throw Error(where(table, i, "post") + ": " + e.what());
        }
        if (after) after(i, record);
    }
}

// Points typed in, one after another, while their horizon is the current one: the new-record rule
// gives each point this horizon and a drawn ID, which the source's ID then replaces.
void buildContour(TDataModule2& m, int horizon, const QJsonObject& record)
{
    RecordTable& points = m.KONTUR;
    const QJsonValue id = record.value("ID");
    if (!m.POSIB_PRODUCT_HOR.locate("ID", Value::integer(integerOf(id))))
        throw Error(where(m.POSIB_PRODUCT_HOR, horizon, "ID") + ": the horizon needs an ID for its contour");
    const QJsonArray contour = record.value("contour").toArray();
    for (int i = 0; i < contour.size(); ++i) {
        const QJsonArray point = contour[i].toArray();
        const std::string place = where(m.POSIB_PRODUCT_HOR, horizon, "contour point " + QString::number(i + 1));
        if (point.size() != 3 || !point[1].isString() || !point[2].isString())
            throw Error(place + ": [ID, \"X\", \"Y\"] is expected");
        try {
            points.append();
            points.fieldByName("ID").setInteger(integerOf(point[0]));
            points.fieldByName("X").setText(unicodeToCp1251(point[1].toString()));
            points.fieldByName("Y").setText(unicodeToCp1251(point[2].toString()));
            points.post();
        } catch (const Error& e) {
            throw Error(place + ": " + e.what());
        }
    }
}

void buildAttachments(TDataModule2& m, const QJsonArray& records, const QString& sourceFolder)
{
    for (int i = 0; i < records.size(); ++i) {
        const QJsonObject record = records[i].toObject();
        for (auto it = record.begin(); it != record.end(); ++it)
            if (it.key() != "NAME" && it.key() != "source" && it.key() != "DESCRIPTION")
                throw Error(where(m.FILES, i, it.key()) + ": no such field");
        const QByteArray name = textOf(record.value("NAME"), m.FILES.fieldByName("NAME"));
        const QString path = QDir(sourceFolder).filePath(record.value("source").toString());
        const QByteArray stored = AddAttachment(m.FILES, name, path);
        const Field& description = m.FILES.fieldByName("DESCRIPTION");
        if (record.contains("DESCRIPTION"))
            SetAttachmentComment(m.FILES, stored, textOf(record.value("DESCRIPTION"), description));
    }
}

} // namespace

void BuildPassportFromSource(TDataModule2& m, const QJsonObject& source, const QString& sourceFolder)
{
    static const QSet<QString> kSections{"about", "PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "FILES"};
    for (auto it = source.begin(); it != source.end(); ++it)
        if (!kSections.contains(it.key())) throw Error(it.key().toStdString() + ": not a section of the source");
    const QJsonArray productive = arrayOf(source, "POSIB_PRODUCT_HOR");
    for (int i = 0; i < productive.size(); ++i)
        if (productive[i].toObject().contains("KONTURNUMPOINTS"))
            throw Error(where(m.POSIB_PRODUCT_HOR, i, "KONTURNUMPOINTS") +
                        ": counted from the contour points, leave it out");

    buildPassportRecord(m, source);
    buildHorizons(m.REFLECT_HORIZONTS, arrayOf(source, "REFLECT_HORIZONTS"), {});
    buildHorizons(m.POSIB_PRODUCT_HOR, productive, {"contour"}, [&](int i, const QJsonObject& record) {
        if (record.contains("contour")) buildContour(m, i, record);
    });
    buildAttachments(m, arrayOf(source, "FILES"), sourceFolder);
}

} // namespace talvena
