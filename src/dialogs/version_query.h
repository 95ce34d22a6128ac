#pragma once
// The exchange with the update server: its address, one GET of the version line, and what the
// first line of the reply says.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

namespace talvena {

inline constexpr char kVersionPath[] = "/cgi-bin/Talvena.dll/FileVer";
inline constexpr char kSetupPath[] = "/TalvenaSetup.exe";
inline constexpr std::chrono::milliseconds kVersionQueryTimeout{10'000};

// "http://host[:port]" followed by `path`, for a setting "host" or "host:port" (blanks around it
// are ignored; an IPv6 address goes in brackets). Nothing when the setting is empty or anything
// else, such as a scheme, a path or a port out of range.
std::optional<QUrl> updateServerUrl(const QByteArray& setting, const char* path);

// The first text line of a reply body (lines end at CR, LF or CR LF), decoded from CP1251, without
// the blanks and control characters around it. Empty when the body has no line.
QString firstReplyLine(const QByteArray& body);

// What follows "V:" (capital V, colon) at the start of the line, exactly as it stands; nothing
// when the line does not begin with it.
std::optional<QString> serverVersionText(const QString& firstLine);

// One GET of `url`, without headers of our own and without following redirects. Returns the
// body once the exchange has completed, whatever the HTTP status; nothing when the connection
// failed or broke, when the reply exceeds any sensible size, or when it took longer than
// `timeout`. Events keep running while it waits, so windows paint.
std::optional<QByteArray> httpGet(const QUrl& url, std::chrono::milliseconds timeout);

} // namespace talvena
