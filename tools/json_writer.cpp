#include "tools/json_writer.h"

#include <charconv>
#include <cmath>

namespace talvena {

QByteArray JsonNumberText(double v)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QByteArray(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

void JsonWriter::newLine()
{
    out_ += '\n';
    out_ += QByteArray(2 * static_cast<qsizetype>(levels_.size()), ' ');
}

// Places the separator and the line break in front of a value, unless a key already did.
void JsonWriter::beforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    if (levels_.back().count++ > 0) out_ += ',';
    newLine();
}

void JsonWriter::open(char bracket, bool object)
{
    beforeValue();
    out_ += bracket;
    levels_.push_back({object});
}

void JsonWriter::close(char bracket)
{
    const bool empty = levels_.back().count == 0;
    levels_.pop_back();
    if (!empty) newLine();
    out_ += bracket;
}

void JsonWriter::beginObject() { open('{', true); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray() { open('[', false); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(const QByteArray& utf8)
{
    beforeValue();
    writeString(utf8);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::numberRow(std::span<const double> values)
{
    beforeValue();
    out_ += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out_ += ", ";
        out_ += std::isfinite(values[i]) ? JsonNumberText(values[i]) : QByteArray("null");
    }
    out_ += ']';
}

void JsonWriter::null()
{
    beforeValue();
    out_ += "null";
}

void JsonWriter::boolean(bool v)
{
    beforeValue();
    out_ += v ? "true" : "false";
}

void JsonWriter::integer(int64_t v)
{
    beforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out_.append(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

void JsonWriter::number(double v)
{
    if (!std::isfinite(v)) return null();
    beforeValue();
    out_ += JsonNumberText(v);
}

void JsonWriter::string(const QByteArray& utf8)
{
    beforeValue();
    writeString(utf8);
}

void JsonWriter::writeString(const QByteArray& utf8)
{
    static const char hex[] = "0123456789abcdef";
    out_ += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        case '\b': out_ += "\\b"; break;
        case '\f': out_ += "\\f"; break;
        default:
            if (u < 0x20) {
                out_ += "\\u00";
                out_ += hex[u >> 4];
                out_ += hex[u & 15];
            } else {
                out_ += c;
            }
        }
    }
    out_ += '"';
}

} // namespace talvena
