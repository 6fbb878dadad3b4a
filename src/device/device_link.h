// The 8-byte request/reply exchange with the calibration device, and the
// connect step that finds the device and proves that it and its sensor answer.
// A failed exchange shows its own error to the operator at once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "device/device_channel.h"
#include "device/device_port.h"
#include "device/waiter.h"
#include "util/operator.h"

namespace gvc {

inline constexpr std::size_t kPacketSize = 8;
using Packet = std::array<std::uint8_t, kPacketSize>;

// Result codes of an exchange.
enum DeviceResult : int {
    kDeviceOk = 0,
    kDeviceFailed = 1,  // the request was not written in full, or the reply's status was not 0
    kDeviceShortReply = 2,
    kDeviceWrongCommand = 3,
    kDeviceWrongAddress = 4,
    kDeviceWrongLength = 5,
    // Not sent: the exchanges were stopped (the run was interrupted or the
    // program is closing). Nothing is shown for it.
    kDeviceCancelled = 6,
};

// The request bytes: command, address, length, the value least significant
// byte first, and 0 in the unused last byte.
Packet BuildRequest(std::uint8_t command, std::uint8_t address, std::uint8_t length, std::uint32_t value);

// The reply's value: data bytes 3 .. 2+length, least significant first (at
// most four bytes).
std::uint32_t ReplyValue(const Packet& reply, std::uint8_t length);

// Checks a reply of `received` bytes against the request. On failure returns
// the result code and sets `message` to the text to show.
int CheckReply(const Packet& reply, std::size_t received, std::uint8_t command, std::uint8_t address,
               std::uint8_t length, std::string& message);

class DeviceLink : public DeviceChannel {
public:
    DeviceLink(DevicePort& port, Operator& op, Waiter& waiter);

    // 0, or 1 after closing the port and showing the error.
    int SendRequest(std::uint8_t command, std::uint8_t address, std::uint8_t length, std::uint32_t value);
    // Waits, reads one reply and checks it: 0 with the value, or 1..5 after
    // showing the error (the port stays open).
    int ReceiveReply(std::uint8_t command, std::uint8_t address, std::uint8_t length, std::uint32_t& value);
    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t& value) override;
    // 0 when the device was found, opened and answered both probes; -1 otherwise.
    int ConnectCalibrationDevice();
    void WaitHundredths(int hundredths) { waiter_.WaitHundredths(hundredths); }

    // Asked before each request is sent: false stops the exchanges there, with
    // kDeviceCancelled and no message. An exchange already sent always reads
    // its reply, so a packet is never cut off.
    void SetGate(std::function<bool()> mayExchange) { gate_ = std::move(mayExchange); }

    DevicePort& Port() { return port_; }
    Waiter& PacketWaiter() { return waiter_; }

private:
    DevicePort& port_;
    Operator& operator_;
    Waiter& waiter_;
    std::function<bool()> gate_;
};

}  // namespace gvc
