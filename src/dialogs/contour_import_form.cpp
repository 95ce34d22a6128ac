#include "dialogs/contour_import_form.h"

#include "base/cp1251.h"
#include "base/file_errors.h"
#include "dialogs/window_placement.h"
#include "gui/error_handler.h"
#include "gui/user_interaction.h"
#include "table/cell_block.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace talvena {

namespace {

struct SpinnerDecl {
    const char* name;
    const char* caption;
    int minimum;
    int value;
};

constexpr SpinnerDecl kSpinners[] = {
    {"JvSpinEdit1", "С какой строки начинать импорт", 1, 1},
    {"JvSpinEdit2", "Обработать строк (0-до конца)", 0, 0},
    {"JvSpinEdit3", "Номер колонки для долготы", 1, 1},
    {"JvSpinEdit4", "Номер колонки для широты", 1, 2},
};

const char* const kFileDialogTitle = "Загрузка внешнего файла";
const char* const kEmptyClipboard = "В буфере обмена нет текста.";
const char* const kFileFilter = "Текстовые файлы (*.txt);;Все файлы (*)";

} // namespace

QString DecodeImportFile(const QByteArray& bytes)
{
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(bytes);
    }
    if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError()) return text;
    }
    return cp1251ToUnicode(bytes);
}

TImportForm::TImportForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("ImportForm");
    setWindowTitle("Импорт данных по котуру");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    auto* memoLabel = new QLabel("Входные данные", this);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo1");
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoLabel->setBuddy(memo_);

    auto* numbers = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        const SpinnerDecl& d = kSpinners[i];
        auto* label = new QLabel(d.caption, this);
        auto* spin = new QSpinBox(this);
        spin->setObjectName(d.name);
        spin->setRange(d.minimum, std::numeric_limits<int>::max());
        spin->setValue(d.value);
        // A turn of the wheel changes a spinner only while it has the focus.
        spin->setFocusPolicy(Qt::StrongFocus);
        spin->installEventFilter(this);
        label->setBuddy(spin);
        numbers->addWidget(label, i, 0);
        numbers->addWidget(spin, i, 1);
        spinners_[i] = spin;
    }
    numbers->setColumnStretch(0, 1);

    loadButton_ = new QPushButton("Загрузить внешний файл", this);
    loadButton_->setObjectName("BitBtn1");
    pasteButton_ = new QPushButton("Вставить из буфера", this);
    pasteButton_->setObjectName("PasteButton");
    importButton_ = new QPushButton("Начать импорт", this);
    importButton_->setObjectName("BitBtn2");
    // Enter belongs to the text and the spinners; only a click confirms.
    for (QPushButton* b : {loadButton_, pasteButton_, importButton_}) b->setAutoDefault(false);
    connect(loadButton_, &QPushButton::clicked, this, Guarded([this](bool) { LoadExternalFile(); }));
    connect(pasteButton_, &QPushButton::clicked, this, Guarded([this](bool) { PasteFromClipboard(); }));
    connect(importButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(loadButton_);
    buttons->addWidget(pasteButton_);
    buttons->addStretch(1);
    buttons->addWidget(importButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memoLabel);
    layout->addWidget(memo_, 1);
    layout->addLayout(numbers);
    layout->addLayout(buttons);

    resize(480, 520);
    FixAndCentreOnScreen(this);
}

QSpinBox* TImportForm::spinner(int number) const
{
    return number >= 1 && number <= 4 ? spinners_[number - 1] : nullptr;
}

QByteArray TImportForm::importText() const { return unicodeToCp1251(memo_->toPlainText()); }

ContourImportSettings TImportForm::settings() const
{
    ContourImportSettings s;
    s.startLine = spinners_[0]->value();
    s.lineCount = spinners_[1]->value();
    s.longitudeColumn = spinners_[2]->value();
    s.latitudeColumn = spinners_[3]->value();
    return s;
}

void TImportForm::LoadExternalFile()
{
    const QString name = userInteraction().openFileName(QString::fromUtf8(kFileDialogTitle),
                                                        QString::fromUtf8(kFileFilter), QString());
    if (name.isEmpty()) return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throwCannotOpenFile(file);
    memo_->setPlainText(DecodeImportFile(bytes));
}

void TImportForm::PasteFromClipboard()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QString text;
    if (data && data->hasText()) text = data->text();
    if (text.isEmpty() && data && data->hasHtml()) {
        for (const QStringList& row : ReadHtmlTable(data->html()).rows) text += row.join(u'\t') + u'\n';
    }
    if (text.isEmpty()) {
        userInteraction().showInformation(QString::fromUtf8(kEmptyClipboard));
        return;
    }
    memo_->setPlainText(text);
}

bool TImportForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        auto* spin = qobject_cast<QSpinBox*>(watched);
        if (spin && !spin->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace talvena
