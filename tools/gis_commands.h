#pragma once
// The GIS commands of talvena-psp, each parsing its own options:
//
//   contours [--force] [--format F] [--crs EPSG:N] [--datum D] [--zone N] [--other-crs EPSG:N]
//            FILE [OUT]
//   import-contour [--layer NAME] [--feature N] [--part N] [--crs EPSG:N|none] [--datum D]
//            [--type N] [--horizon-crs EPSG:N|none] [--zone N] PASSPORT HORIZON GISFILE
//
// `args` are the arguments after the command's name. Exit codes as the other commands: 0 done,
// 1 failed (the message on standard error), 2 wrong usage.
#include <QString>

#include <vector>

namespace talvena {

int ContoursCommand(const std::vector<char*>& args, const QString& dictionaryFolder);
int ImportContourCommand(const std::vector<char*>& args, const QString& dictionaryFolder);

} // namespace talvena
