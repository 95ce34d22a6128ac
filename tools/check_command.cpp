#include "tools/check_command.h"

#include "tools/json_writer.h"

namespace talvena {

QByteArray FindingsText(const std::vector<PassportFinding>& findings)
{
    if (findings.empty()) return QByteArrayLiteral("Замечаний нет.\n");
    QByteArray out;
    for (const PassportFinding& f : findings)
        out += f.table + '.' + f.field + " [" + QByteArray::number(f.recordId) + "]: " + f.message.toUtf8() + '\n';
    return out;
}

QByteArray FindingsJson(const std::vector<PassportFinding>& findings)
{
    JsonWriter w;
    w.beginArray();
    for (const PassportFinding& f : findings) {
        w.beginObject();
        w.key("kind");
        w.string(f.kind);
        w.key("table");
        w.string(f.table);
        w.key("recordId");
        w.integer(f.recordId);
        w.key("field");
        w.string(f.field);
        w.key("message");
        w.string(f.message.toUtf8());
        w.endObject();
    }
    w.endArray();
    return w.result();
}

} // namespace talvena
