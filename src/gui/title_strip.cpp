#include "gui/title_strip.h"

namespace talvena {

namespace {

const QColor kStripColour(20, 60, 107);
constexpr int kStripHeight = 16;

} // namespace

TitleStrip::TitleStrip(const char* text, const char* objectName, QWidget* parent) : QLabel(parent)
{
    setObjectName(QString::fromLatin1(objectName));
    setText(QString::fromUtf8(text));
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kStripColour);
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setFixedHeight(kStripHeight);
}

} // namespace talvena
