// An in-memory 256-byte sensor behind the DeviceChannel interface, for the
// sensor-access tests: records every exchange and fails a chosen one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_channel.h"
#include "sensor/sensor_access.h"
#include "sensor/sensor_address_map.h"
#include "util/operator.h"

namespace gvc::test {

struct Exchange {
    DeviceCommand command;
    std::uint8_t address;
    std::uint8_t length;
    std::uint32_t valueSent;
    bool operator==(const Exchange&) const = default;
};

class FakeSensor : public DeviceChannel {
public:
    std::array<std::uint8_t, 256> memory{};
    std::vector<Exchange> exchanges;
    int failAt = 0;  // 1-based number of the exchange that fails; 0 for none
    int failCode = 3;
    Operator* shownTo = nullptr;  // where a failed exchange shows its message

    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t& value) override {
        exchanges.push_back({command, address, length, value});
        if (failAt != 0 && static_cast<int>(exchanges.size()) == failAt) {
            if (shownTo != nullptr) shownTo->Show(MessageKind::kError, "exchange failed");
            return failCode;
        }
        if (command == DeviceCommand::kWrite) {
            Put(address, length, value);
        } else if (command == DeviceCommand::kRead) {
            value = Get(address, length);
        }
        return 0;
    }

    void Put(std::uint8_t address, std::uint8_t width, std::uint32_t value) {
        for (unsigned i = 0; i < width; ++i) {
            memory[static_cast<std::uint8_t>(address + i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    void Put(SensorItem item, std::uint32_t value) { Put(item.address, item.width, value); }

    std::uint32_t Get(std::uint8_t address, std::uint8_t width) const {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < width; ++i) {
            value |= static_cast<std::uint32_t>(memory[static_cast<std::uint8_t>(address + i)]) << (8 * i);
        }
        return value;
    }
    std::uint32_t Get(SensorItem item) const { return Get(item.address, item.width); }

    std::vector<std::uint8_t> Addresses() const {
        std::vector<std::uint8_t> addresses;
        for (const Exchange& e : exchanges)
            addresses.push_back(e.address);
        return addresses;
    }
};

// Records what a transfer reports.
class RecordingProgress : public TransferProgress {
public:
    std::vector<std::string> pages;
    int bar = 0;
    std::vector<TransferMode> runs;

    int RunTransfer(TransferMode mode, const std::function<int()>& operation) override {
        runs.push_back(mode);
        return operation();
    }
    void PageStarted(std::string_view page) override { pages.emplace_back(page); }
    void Advance(int steps) override { bar += steps; }
};

}  // namespace gvc::test
