#include "dialogs/version_query.h"

#include "base/cp1251.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <QStringList>

#include <algorithm>
#include <memory>

namespace talvena {

namespace {

// A version line is a few bytes; a reply this long is no answer and must not fill the memory.
constexpr qsizetype kMaxReplyBytes = 1 << 20;

bool isBlankOrControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
}

// Errors that stand for an HTTP status: the server answered, and its body is the answer.
bool isStatusError(QNetworkReply::NetworkError e)
{
    return e == QNetworkReply::NoError ||
           (e >= QNetworkReply::ContentAccessDenied && e <= QNetworkReply::UnknownContentError) ||
           e == QNetworkReply::ProtocolInvalidOperationError ||
           (e >= QNetworkReply::InternalServerError && e <= QNetworkReply::UnknownServerError);
}

} // namespace

std::optional<QUrl> updateServerUrl(const QByteArray& setting, const char* path)
{
    const QString address = QString::fromLatin1(setting.trimmed());
    if (address.isEmpty()) return std::nullopt;
    // Parsed as the authority of an address, then required to be nothing but host and port.
    const QUrl url(QStringLiteral("http://") + address + QString::fromLatin1(path), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() ||
        url.hasFragment() || url.path() != QLatin1String(path))
        return std::nullopt;
    if (address.contains(QLatin1Char('/')) || address.contains(QLatin1Char('?')) ||
        address.contains(QLatin1Char('#')) || address.contains(QLatin1Char('@')))
        return std::nullopt;
    if (address.endsWith(QLatin1Char(':')) || url.port() == 0) return std::nullopt; // "host:" names no port
    return url;
}

QString firstReplyLine(const QByteArray& body)
{
    qsizetype end = 0;
    while (end < body.size() && body[end] != '\r' && body[end] != '\n') ++end;
    qsizetype begin = 0;
    while (begin < end && isBlankOrControl(body[begin])) ++begin;
    while (end > begin && isBlankOrControl(body[end - 1])) --end;
    return cp1251ToUnicode(body.mid(begin, end - begin));
}

std::optional<QString> serverVersionText(const QString& firstLine)
{
    if (!firstLine.startsWith(QLatin1String("V:"))) return std::nullopt;
    const QString version = firstLine.sliced(2);
    // Whatever else a server sends is no version: it is never shown or compared.
    if (version.isEmpty() || version.size() > kMaxVersionLength) return std::nullopt;
    for (QChar c : version)
        if (!(c == u'.' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return std::nullopt;
    return version;
}

int compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.split(u'.'), right = b.split(u'.');
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        QString x = i < left.size() ? left[i] : QString(), y = i < right.size() ? right[i] : QString();
        bool xNumber = false, yNumber = false;
        for (QString* part : {&x, &y}) {
            bool digits = !part->isEmpty();
            for (QChar c : *part) digits = digits && c.isDigit();
            if (digits) {
                while (part->size() > 1 && part->startsWith(u'0')) part->remove(0, 1);
                (part == &x ? xNumber : yNumber) = true;
            }
        }
        int order;
        if (xNumber && yNumber)
            order = x.size() != y.size() ? (x.size() < y.size() ? -1 : 1) : QString::compare(x, y);
        else if (x.isEmpty() != y.isEmpty()) // a missing part counts as 0
            order = (x.isEmpty() ? (y == u"0" ? 0 : -1) : (x == u"0" ? 0 : 1));
        else
            order = QString::compare(x, y);
        if (order != 0) return order < 0 ? -1 : 1;
    }
    return 0;
}

std::optional<QByteArray> httpGet(const QUrl& url, std::chrono::milliseconds timeout)
{
    QNetworkAccessManager manager; // one per exchange: no cache, no cookies kept
    QNetworkRequest request(url);
    // Exactly one request: a redirect is an answer like any other page.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    const std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QByteArray body;
    bool givenUp = false; // too long or too late
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        givenUp = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > kMaxReplyBytes) {
            givenUp = true;
            reply->abort();
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    if (!reply->isFinished()) loop.exec();
    deadline.stop();
    if (!givenUp) body += reply->readAll();

    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (givenUp || !answered || !isStatusError(reply->error()) || body.size() > kMaxReplyBytes) return std::nullopt;
    return body;
}

} // namespace talvena
