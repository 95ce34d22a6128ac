#pragma once
// The heading at the top of a grid page: full width, centred white bold text on dark blue.
#include <QLabel>

namespace talvena {

class TitleStrip : public QLabel {
public:
    TitleStrip(const char* text, const char* objectName, QWidget* parent = nullptr);
};

} // namespace talvena
