#pragma once
// "Проверка паспорта": what a reviewer would send back before a passport is handed in — a trap
// contour whose area disagrees with the areas typed for its horizon, a deterministic value outside
// the minimum and maximum typed for it, a contour too short or crossing itself, a productive
// horizon without a kind of hydrocarbon or without a contour, the object name, region or years
// left empty. Read-only: no current record moves, nothing is posted. The window lists the findings
// and takes the user to each; `talvena-psp check` prints them.
#include <QByteArray>
#include <QPointF>
#include <QString>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace talvena {

class TDataModule2;

struct PassportFinding {
    QByteArray kind;     // contourArea, outsideRange, contourPoints, contourCrossing,
                         // noHydrocarbonKind, noContour, emptyField
    QByteArray table;    // PASPORTS, POSIB_PRODUCT_HOR or KONTUR
    int32_t recordId;    // ID of the record the finding is about (a point's for KONTUR)
    QByteArray field;    // the field to correct
    QString message;     // what the user reads, Russian
};

// Differences of a contour's area from a declared area above this share are findings.
inline constexpr double kAreaTolerance = 0.10;

// Every finding, in the order: passport fields, then each productive horizon in the table's
// stored order. The pending edits of the tables count as they are (the window commits first).
std::vector<PassportFinding> CheckPassport(TDataModule2& module);

// The first two edges of a closed outline that meet although they are not neighbours, as the
// indexes of their first points; edge i runs from point i to the next (the last back to the
// first). Repeated consecutive points and a last point equal to the first are one point. Nothing
// when the outline is simple or has fewer than four distinct points. Large outlines are sorted
// into a grid of cells first, so a million points cost about as much as reading them.
std::optional<std::pair<int, int>> FindSelfCrossing(std::span<const QPointF> outline);

} // namespace talvena
