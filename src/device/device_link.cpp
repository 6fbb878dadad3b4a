#include "device/device_link.h"

#include <string>

#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// Hundredths of a second to wait before reading a reply.
constexpr int kReplyWaitHundredths = 10;

constexpr std::string_view kStatusTexts[] = {
    "",
    " сбой в интерфейсе USB"_cp,
    " датчик занят обработкой"_cp,
    " нет соединения с датчиком"_cp,
    " датчик превысил таймаут"_cp,
    " ответ датчика с неверной CRC"_cp,
};

}  // namespace

Packet BuildRequest(std::uint8_t command, std::uint8_t address, std::uint8_t length, std::uint32_t value) {
    Packet request{};
    request[0] = command;
    request[1] = address;
    request[2] = length;
    for (std::size_t i = 0; i < 4; ++i)
        request[3 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    request[7] = 0;
    return request;
}

std::uint32_t ReplyValue(const Packet& reply, std::uint8_t length) {
    const std::size_t count = length < 4 ? length : 4;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value |= static_cast<std::uint32_t>(reply[3 + i]) << (8 * i);
    return value;
}

int CheckReply(const Packet& reply, std::size_t received, std::uint8_t command, std::uint8_t address,
               std::uint8_t length, std::string& message) {
    message = std::string("Ошибка приема из Устройства Градуировки: "_cp);
    const unsigned status = reply[0] >> 4;
    if (status != 0) {
        if (status < std::size(kStatusTexts)) message += kStatusTexts[status];
        return kDeviceFailed;
    }
    if (received < kPacketSize) {
        message += " недостаточная длина пакета"_cp;
        return kDeviceShortReply;
    }
    if ((reply[0] & 0x0F) != command) {
        message += " не верная команда"_cp;
        return kDeviceWrongCommand;
    }
    if (reply[1] != address) {
        message += " не верное смещение"_cp;
        return kDeviceWrongAddress;
    }
    if (reply[2] != length) {
        message += " не верная длина данных"_cp;
        return kDeviceWrongLength;
    }
    message.clear();
    return kDeviceOk;
}

DeviceLink::DeviceLink(DevicePort& port, Operator& op, Waiter& waiter)
    : port_(port), operator_(op), waiter_(waiter) {}

int DeviceLink::SendRequest(std::uint8_t command, std::uint8_t address, std::uint8_t length,
                            std::uint32_t value) {
    const Packet request = BuildRequest(command, address, length, value);
    if (port_.Port().Write(request.data(), request.size()) < request.size()) {
        port_.ClosePort();
        operator_.Show(MessageKind::kError, "Не проходит пакет в устройство Градуировки"_cp);
        return kDeviceFailed;
    }
    return kDeviceOk;
}

int DeviceLink::ReceiveReply(std::uint8_t command, std::uint8_t address, std::uint8_t length,
                             std::uint32_t& value) {
    WaitHundredths(kReplyWaitHundredths);
    // Cleared first, so that a device that sends nothing fails as a short reply.
    Packet reply{};
    const std::size_t received = port_.Port().Read(reply.data(), reply.size());
    std::string message;
    const int result = CheckReply(reply, received, command, address, length, message);
    if (result != kDeviceOk) {
        operator_.Show(MessageKind::kError, message);
        return result;
    }
    value = ReplyValue(reply, length);
    return kDeviceOk;
}

int DeviceLink::DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                              std::uint32_t& value) {
    if (gate_ && !gate_()) return kDeviceCancelled;
    const auto code = static_cast<std::uint8_t>(command);
    const int sent = SendRequest(code, address, length, value);
    if (sent != kDeviceOk) return sent;
    return ReceiveReply(code, address, length, value);
}

int DeviceLink::ConnectCalibrationDevice() {
    if (port_.ConnectDevice(kVarnestKind, kVarnestKind + 1) == -1) {
        operator_.Show(MessageKind::kError, port_.Error().Text());
        return -1;
    }
    std::uint32_t value = 0;
    if (DeviceRequest(DeviceCommand::kProbe, 0, 2, value) != kDeviceOk) return -1;
    // The live word at address 6: proves that the sensor answers too.
    if (DeviceRequest(DeviceCommand::kRead, 6, 2, value) != kDeviceOk) return -1;
    return 0;
}

}  // namespace gvc
