#pragma once
// What the pages after the horizon tables check on entry: the horizons they build on.
#include "model/data_module.h"

#include <cstdint>

namespace talvena {

inline constexpr int kReflectingHorizonsPage = 4;
inline constexpr int kProductiveHorizonsPage = 6;

inline constexpr const char* kNoReflectingHorizons = "Отсутствуют отражающие горизонты";
inline constexpr const char* kNoProductiveHorizons = "Отсутствуют возможные продуктивные горизонты";

// Seismic preparation (method 89), or none chosen yet: reflecting horizons are expected.
inline bool IsSeismicPreparation(int64_t method) { return method == 0 || method == 89; }

inline int64_t PreparationMethod(TDataModule2& dm)
{
    return dm.PASPORTS.fieldByName("PREPARATIONMETHOD_ID").asInteger();
}

inline bool ReflectingHorizonsRequired(TDataModule2& dm)
{
    return dm.REFLECT_HORIZONTS.recordCount() == 0 && IsSeismicPreparation(PreparationMethod(dm));
}

} // namespace talvena
