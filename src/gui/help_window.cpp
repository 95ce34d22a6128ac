#include "gui/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace talvena {

HelpWindow::HelpWindow(HelpFile file, QWidget* parent) : QDialog(parent), file_(std::move(file))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setModal(false);
    resize(640, 520);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    // Links between topics are written "topic:NNN".
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("topic")) showTopic(url.path().toInt());
    });
}

QString HelpWindow::pageHtml(int number) const
{
    if (file_.isEmpty())
        return QStringLiteral("<p>Файл справки \"%1\" не найден рядом с программой.</p>")
            .arg(QLatin1String(HelpFile::kFileName));
    const HelpTopic* t = file_.topic(number);
    QString html = t ? QStringLiteral("<h2>%1</h2>%2").arg(t->title.toHtmlEscaped(), t->html)
                     : QStringLiteral("<p>Раздел справки %1 не найден.</p>").arg(number);
    html += QStringLiteral("<hr><p><b>Разделы справки:</b><br>");
    for (const HelpTopic& other : file_.topics()) {
        if (other.number == number) html += QStringLiteral("%1<br>").arg(other.title.toHtmlEscaped());
        else html += QStringLiteral("<a href=\"topic:%1\">%2</a><br>").arg(other.number).arg(other.title.toHtmlEscaped());
    }
    return html + QStringLiteral("</p>");
}

void HelpWindow::showTopic(int number)
{
    current_ = number;
    const HelpTopic* t = file_.topic(number);
    setWindowTitle(t ? QStringLiteral("Справка: %1").arg(t->title) : QStringLiteral("Справка"));
    browser_->setHtml(pageHtml(number));
    show();
    raise();
    activateWindow();
}

} // namespace talvena
