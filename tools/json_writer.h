#pragma once
// A small streaming JSON writer: pretty-printed with two-space indents, keys written in the order
// they are given (QJsonObject would sort them), numbers in their shortest round-trip form.
#include <QByteArray>
#include <cstdint>
#include <span>
#include <vector>

namespace talvena {

class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value inside an object; UTF-8.
    void key(const QByteArray& utf8);

    void null();
    void boolean(bool v);
    void integer(int64_t v);
    // NaN and infinities have no JSON form and are written as null.
    void number(double v);
    void string(const QByteArray& utf8);
    // A short array of numbers on one line, "[1.5, 2]": a coordinate pair stays readable.
    void numberRow(std::span<const double> values);

    // The document, ending with a line break.
    QByteArray result() const { return out_ + '\n'; }

private:
    struct Level {
        bool object;
        int count = 0;
    };
    void beforeValue();
    void open(char bracket, bool object);
    void close(char bracket);
    void newLine();
    void writeString(const QByteArray& utf8);

    QByteArray out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

// The JSON form of a double that reads back to the same double ("0.1", "5", "1e+300").
QByteArray JsonNumberText(double v);

} // namespace talvena
