#pragma once
// The contour import dialog: the text to import (typed, pasted or loaded from a file), the first
// line and the number of lines to read, and the columns of longitude and latitude. "Начать
// импорт" confirms it; closing it any other way cancels. Created afresh for each import, so it
// always opens empty with the default numbers.
#include "model/contour_editing.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace talvena {

class TImportForm : public QDialog {
public:
    explicit TImportForm(QWidget* parent = nullptr);

    // The text in the import's code page (a character it cannot hold becomes "?", which reads as
    // a separator inside degrees, minutes and seconds and as no number otherwise).
    QByteArray importText() const;
    ContourImportSettings settings() const;

    // "Загрузить внешний файл": replaces the text by the lines of a file chosen in the file
    // dialog; a cancelled dialog changes nothing. Throws when the file cannot be read.
    void LoadExternalFile();
    // "Вставить из буфера": replaces the text by the clipboard's text, or by the rows of the HTML
    // table it offers when it has no text (cells separated by tabs); an empty clipboard says so.
    void PasteFromClipboard();

    QPlainTextEdit* memo() const { return memo_; }
    QSpinBox* spinner(int number) const; // JvSpinEdit1 … JvSpinEdit4
    QPushButton* loadButton() const { return loadButton_; }
    QPushButton* pasteButton() const { return pasteButton_; }
    QPushButton* importButton() const { return importButton_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* memo_;
    QSpinBox* spinners_[4];
    QPushButton* loadButton_;
    QPushButton* pasteButton_;
    QPushButton* importButton_;
};

// The text of a file's bytes: by its byte-order mark when it has one, as UTF-8 when it is valid
// UTF-8 beyond ASCII, and in the Windows-1251 code page otherwise.
QString DecodeImportFile(const QByteArray& bytes);

} // namespace talvena
