#include "gis/gdal_setup.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

namespace talvena::gis {

void EnsureGdal()
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

GdalErrorScope::GdalErrorScope()
{
    EnsureGdal();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

GdalErrorScope::~GdalErrorScope() { CPLPopErrorHandler(); }

QString GdalErrorScope::lastMessage() const { return QString::fromUtf8(CPLGetLastErrorMsg()); }

bool GdalErrorScope::failed() const { return CPLGetLastErrorType() >= CE_Failure; }

void GdalErrorScope::reset() { CPLErrorReset(); }

} // namespace talvena::gis
