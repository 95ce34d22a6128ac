#pragma once
// Refuses, where they are typed, the characters the code page cannot hold and those the field
// does not take (its valid characters).
#include <QValidator>
#include <functional>

namespace talvena {

class Field;

class FieldCharValidator : public QValidator {
public:
    // `field` is asked at every keystroke: a table's field list may be replaced.
    FieldCharValidator(std::function<const Field*()> field, QObject* parent);
    State validate(QString& input, int& position) const override;

private:
    std::function<const Field*()> field_;
};

} // namespace talvena
