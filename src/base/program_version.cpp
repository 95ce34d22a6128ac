#include "base/program_version.h"

namespace talvena {
namespace {

QString dottedVersion(const std::array<int, 4>& v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
}

} // namespace

const VersionResource& programVersionResource()
{
    // The numbers come from the build's project version; the texts are what the release names.
    static const VersionResource resource{
        QStringLiteral("1.21.0.77"),
        QStringLiteral("1.21.0.0"),
        {TALVENA_VERSION_MAJOR, TALVENA_VERSION_MINOR, TALVENA_VERSION_PATCH, TALVENA_VERSION_TWEAK},
        {TALVENA_VERSION_MAJOR, TALVENA_VERSION_MINOR, TALVENA_VERSION_PATCH, TALVENA_VERSION_TWEAK},
    };
    return resource;
}

QString fileVersionText(const VersionResource& resource)
{
    return resource.fileVersionText.value_or(dottedVersion(resource.fileVersion));
}

QString productVersionText(const VersionResource& resource)
{
    return resource.productVersionText.value_or(dottedVersion(resource.productVersion));
}

} // namespace talvena
