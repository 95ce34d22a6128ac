#pragma once
// The program's version resource, compiled in: two version texts and two numeric versions.
// The texts are independent of each other and of the numbers; the About box shows the file
// version text and the update check compares the product version text.
#include <QString>
#include <array>
#include <optional>

namespace talvena {

struct VersionResource {
    std::optional<QString> fileVersionText;
    std::optional<QString> productVersionText;
    std::array<int, 4> fileVersion{};    // major, minor, release, build
    std::array<int, 4> productVersion{};
};

// The resource this build carries.
const VersionResource& programVersionResource();

// The text, or the numeric version as "%d.%d.%d.%d" when the text is missing.
QString fileVersionText(const VersionResource& resource = programVersionResource());
QString productVersionText(const VersionResource& resource = programVersionResource());

} // namespace talvena
