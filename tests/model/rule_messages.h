#pragma once
// The messages the model's field rules give, as the user reads them (UTF-8), written out here so
// that the tests check the texts rather than take them from the code.
namespace talvena::test {

inline constexpr const char* kPositive = "Значение должно быть больше нуля.";
inline constexpr const char* kAboveOne = "Значение не может быть больше единицы.";
inline constexpr const char* kAxes = "Значение для \"Короткой оси\" не может быть больше, чем для \"Длинной оси\"";
inline constexpr const char* kMaxBelowMin = "Максимальное значение должно быть больше минимального.";
inline constexpr const char* kMinAboveMax = "Минимальное значение должно быть меньше максимального.";
inline constexpr const char* kDmsError = "Ошибка, неправильный формат числа. "
                                         "Формат:ЦЕЛОЕ_ЧИСЛО_ГРАДУСОВ разделитель ЦЕЛОЕ_ЧИСЛО_МИНУТ разделитель "
                                         "ЧИСЛО_СЕКУНД";

} // namespace talvena::test
