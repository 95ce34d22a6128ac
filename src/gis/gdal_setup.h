#pragma once
// GDAL registered once per process, and its messages caught instead of printed.
#include <QString>

namespace talvena::gis {

void EnsureGdal();

// While alive, GDAL's errors are kept quiet and the last one is kept for our own message.
class GdalErrorScope {
public:
    GdalErrorScope();
    ~GdalErrorScope();
    GdalErrorScope(const GdalErrorScope&) = delete;
    GdalErrorScope& operator=(const GdalErrorScope&) = delete;
    QString lastMessage() const;
    // Whether an error (not a warning) was raised since the scope began or the last reset.
    bool failed() const;
    void reset();
};

} // namespace talvena::gis
