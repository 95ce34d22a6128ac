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

inline constexpr qsizetype kMaxVersionLength = 64;

// What follows "V:" (capital V, colon) at the start of the line, exactly as it stands; nothing
// when the line does not begin with it or what follows is not a version: empty, longer than
// kMaxVersionLength, or anything but digits, dots and Latin letters.
std::optional<QString> serverVersionText(const QString& firstLine);

// -1, 0 or 1 as version a is older than, the same as or newer than b: part by part between the
// dots, numbers by value, other parts as texts; a missing part counts as 0.
int compareVersions(const QString& a, const QString& b);

// One GET of `url`, without headers of our own and without following redirects. Returns the
// body once the exchange has completed, whatever the HTTP status; nothing when the connection
// failed or broke, when the reply exceeds any sensible size, or when it took longer than
// `timeout`. Events keep running while it waits, so windows paint.
std::optional<QByteArray> httpGet(const QUrl& url, std::chrono::milliseconds timeout);

} // namespace talvena
