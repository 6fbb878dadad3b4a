// The reply check and the device link on any bytes: first one reply checked
// against a request taken from the input, then the connect step and a few
// exchanges over a port whose every read returns what the input says (any
// count of any bytes, or nothing).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/device_link.h"
#include "device/device_port.h"
#include "device/waiter.h"
#include "device_test_doubles.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "util/operator.h"

namespace {

class FuzzSerialPort : public gvc::test::FakeSerialPort {
public:
    explicit FuzzSerialPort(gvc::fuzz::FuzzInput& input) : input_(input) {}

    std::size_t Read(std::uint8_t* data, std::size_t size) override {
        if (!IsOpen()) return 0;
        const auto reply = input_.Bytes(std::min<std::size_t>(input_.Byte() % 10u, size));
        std::copy(reply.begin(), reply.end(), data);
        return reply.size();
    }

private:
    gvc::fuzz::FuzzInput& input_;
};

void CheckOneReply(gvc::fuzz::FuzzInput& input) {
    gvc::Packet reply{};
    const auto bytes = input.Bytes(reply.size());
    std::copy(bytes.begin(), bytes.end(), reply.begin());
    const std::size_t received = input.Byte() % (reply.size() + 1);
    const std::uint8_t command = input.Byte() % 3u;
    const std::uint8_t address = input.Byte();
    const std::uint8_t length = input.Byte() % 5u;
    std::string message;
    const int result = gvc::CheckReply(reply, received, command, address, length, message);
    GVC_FUZZ_CHECK(result >= gvc::kDeviceOk && result <= gvc::kDeviceWrongLength);
    GVC_FUZZ_CHECK((result == gvc::kDeviceOk) == message.empty());
    if (result == gvc::kDeviceOk) {
        const std::uint32_t value = gvc::ReplyValue(reply, length);
        GVC_FUZZ_CHECK(length == 4 || value < (std::uint32_t{1} << (8 * length)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gvc::fuzz::FuzzInput input(data, size);
    CheckOneReply(input);

    FuzzSerialPort serial(input);
    gvc::ErrorText error;
    gvc::DevicePort port(serial, gvc::test::RegistryOf(gvc::test::VarnestRegistry()), error);
    gvc::ScriptedOperator op;
    gvc::InstantWaiter waiter;
    gvc::DeviceLink link(port, op, waiter);
    if (link.ConnectCalibrationDevice() != 0) {
        GVC_FUZZ_CHECK(!op.Messages().empty());
        return 0;
    }
    while (!input.Empty() && port.IsOpen()) {
        const auto command = static_cast<gvc::DeviceCommand>(input.Byte() % 3u);
        const std::uint8_t address = input.Byte();
        const std::uint8_t length = input.Byte() % 5u;
        std::uint32_t value = input.Word();
        const std::size_t shown = op.Messages().size();
        const int result = link.DeviceRequest(command, address, length, value);
        GVC_FUZZ_CHECK((result == gvc::kDeviceOk) == (op.Messages().size() == shown));
    }
    return 0;
}
