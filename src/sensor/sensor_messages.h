// The operator-visible texts of sensor access, Windows-1251.
#pragma once

#include <string_view>

#include "util/cp1251.h"

namespace gvc::sensor_text {

using namespace gvc::literals;

inline constexpr std::string_view kResourceCoefError = "Ошибка в коэф-тах Ресурса"_cp;
inline constexpr std::string_view kBadGasCode = "Датчик: Недопустимый код Газа - "_cp;
inline constexpr std::string_view kNoSerialNumber = "Датчик: не имеет серийного номера!"_cp;
inline constexpr std::string_view kWrongGasNumber = "Датчик: Неверный Газ-Номер Датчика: "_cp;
inline constexpr std::string_view kWrongTypeNumber = "Датчик: Неверный Тип-Номер Датчика: "_cp;
inline constexpr std::string_view kNoTypesForGas = "Датчик: Не созданы Типы Датчика для Газа"_cp;
inline constexpr std::string_view kSimulatorLine = "               Имитатор - Не Градуируется"_cp;
// A temperature scale of 0 would make every temperature conversion divide by zero.
inline constexpr std::string_view kZeroTempScale =
    "Датчик: Нулевой масштаб Температуры - Градуировка невозможна"_cp;
inline constexpr std::string_view kFrontEndSilent =
    "Цифровой Датчиком не отвечает\r\n      Градуировка невозможна"_cp;
inline constexpr std::string_view kFrontEndNotReady =
    "Цифровой Сенсор не отвечает\r\n    Градуировка невозможна"_cp;
// A sensor whose slope is 0 measures nothing.
inline constexpr std::string_view kNoCalibration =
    "Наклон Датчика равен 0: Датчик не имеет действующей градуировки\r\n"
    "(возможно, прошлая Градуировка была прервана) - его необходимо отградуировать"_cp;

// The check of a parameter write.
inline constexpr std::string_view kWriteFailed = "Запись параметров в Датчик не выполнена"_cp;
inline constexpr std::string_view kReadBackDiffers =
    "Параметры, прочитанные из Датчика, не совпадают с записанными"_cp;
inline constexpr std::string_view kReadBackFailed =
    "Параметры, записанные в Датчик, не удалось прочитать для проверки"_cp;

inline constexpr std::string_view kOxygen = "Кислород"_cp;
inline constexpr std::string_view kThermoCatalytic = "термокаталитический"_cp;
inline constexpr std::string_view kUltraviolet = "ультрафиолетовый"_cp;

}  // namespace gvc::sensor_text
