#pragma once
// One field value: NULL, an integer, a double or a byte string (CP1251 text or Blob bytes).
#include <QByteArray>
#include <cstdint>
#include <variant>

namespace talvena {

class Value {
public:
    Value() = default;
    static Value integer(int64_t v) { Value r; r.v_ = v; return r; }
    static Value real(double v) { Value r; r.v_ = v; return r; }
    static Value bytes(QByteArray v) { Value r; r.v_ = std::move(v); return r; }

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isInteger() const { return std::holds_alternative<int64_t>(v_); }
    bool isReal() const { return std::holds_alternative<double>(v_); }
    bool isBytes() const { return std::holds_alternative<QByteArray>(v_); }

    int64_t integerValue() const { return std::get<int64_t>(v_); }
    double realValue() const { return std::get<double>(v_); }
    const QByteArray& bytesValue() const { return std::get<QByteArray>(v_); }

    bool operator==(const Value& o) const { return v_ == o.v_; }

private:
    std::variant<std::monostate, int64_t, double, QByteArray> v_;
};

} // namespace talvena
