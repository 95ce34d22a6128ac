#include "dialogs/about_box.h"

#include "base/program_version.h"
#include "dialogs/window_placement.h"
#include "gui/error_handler.h"
#include "gui/user_interaction.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

namespace talvena {

namespace {

constexpr int kMargin = 8;
constexpr int kPanelHeight = 196;
constexpr int kPictureSide = 156;
constexpr int kButtonHeight = 27;
constexpr char kPicture[] = ":/pictures/about_picture.svg";

// The picture drawn at the label's size and the screen's pixel ratio, its proportions kept and
// centred in the label.
QPixmap scaledPicture(const QSize& box, qreal pixelRatio)
{
    QSvgRenderer renderer{QString::fromLatin1(kPicture)};
    QPixmap pixmap(box * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    if (!renderer.isValid()) return pixmap;
    QSizeF size = renderer.defaultSize();
    size.scale(QSizeF(box), Qt::KeepAspectRatio);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size));
    return pixmap;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The wait cursor for as long as the box waits for the server.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TAboutBox::TAboutBox(QWidget* parent, UpdateServerSetup server) : QDialog(parent), server_(std::move(server))
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    panel->setGeometry(kMargin, kMargin, kClientWidth - 2 * kMargin, kPanelHeight);

    auto* image = new QLabel(panel);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(12, (kPanelHeight - kPictureSide) / 2, kPictureSide, kPictureSide);
    image->setPixmap(scaledPicture(image->size(), devicePixelRatio()));

    const int textLeft = image->geometry().right() + 16;
    const int textWidth = panel->width() - textLeft - 12;
    QLabel* product = addLabel(panel, "ProductName", QStringLiteral("ТАЛВЕНА"), QRect(textLeft, 20, textWidth, 32));
    QFont big = product->font();
    big.setBold(true);
    big.setPixelSize(22);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    product->setFont(big);
    version_ = addLabel(panel, "Version", QString(), QRect(textLeft, 62, textWidth, 20));
    addLabel(panel, "Copyright",
             QStringLiteral("Паспорт подготовленного к глубокому бурению объекта.\n\n"
                            "© Разработчики программы «Талвена».\nВсе права защищены."),
             QRect(textLeft, 90, textWidth, kPanelHeight - 90 - 8));

    const int buttonTop = kMargin + kPanelHeight + 12;
    button2_ = new QPushButton(QStringLiteral("Проверить наличие обновлений"), this);
    button2_->setObjectName(QStringLiteral("Button2"));
    button2_->setGeometry(kMargin, buttonTop, 236, kButtonHeight);
    button2_->setAutoDefault(false);
    button1_ = new QPushButton(QStringLiteral("Закрыть"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setGeometry(kClientWidth - kMargin - 100, buttonTop, 100, kButtonHeight);
    button1_->setDefault(true);
    connect(button1_, &QPushButton::clicked, this, &QDialog::reject);
    connect(button2_, &QPushButton::clicked, this, Guarded([this](bool) { Button2Click(); }));

    auto* help = new QAction(this);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(help, &QAction::triggered, this, [] { userInteraction().showHelpTopic(kHelpTopic); });
    addAction(help);

    resize(kClientWidth, kClientHeight);
    FixAndCentreOnScreen(this);
    FormCreate();
}

void TAboutBox::FormCreate() { version_->setText(QStringLiteral("Версия ") + fileVersionText()); }

void TAboutBox::Button2Click()
{
    if (checking_) return;
    const UpdateCheckResult result = RunUpdateCheck(server_, userInteraction(), [this](const std::function<void()>& exchange) {
        // Busy until the exchange ends, also by an error.
        struct Busy {
            TAboutBox& box;
            WaitCursor cursor;
            explicit Busy(TAboutBox& b) : box(b) { box.setChecking(true); }
            ~Busy() { box.setChecking(false); }
        } busy(*this);
        exchange();
    });
    if (result == UpdateCheckResult::UpdateStarted) done(kYesResult);
}

void TAboutBox::setChecking(bool on)
{
    checking_ = on;
    button1_->setEnabled(!on);
    button2_->setEnabled(!on);
}

void TAboutBox::reject()
{
    // Escape and the title bar's close button wait, like the buttons, until the server answered.
    if (!checking_) QDialog::reject();
}

bool ShowAboutBox(QWidget* parent)
{
    TAboutBox box(parent);
    return box.exec() == TAboutBox::kYesResult;
}

} // namespace talvena
