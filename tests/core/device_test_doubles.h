// Test doubles for the device link: a serial port that replays scripted
// replies and records what was written, and the registry of a plugged-in
// "Varnest" device that each test can spoil in one place.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/device_port.h"
#include "device/registry.h"
#include "device/serial_port.h"

namespace gvc::test {

class FakeSerialPort : public SerialPort {
public:
    std::vector<std::string> opened;                 // device paths opened
    std::vector<std::vector<std::uint8_t>> written;  // one entry per write
    std::deque<std::vector<std::uint8_t>> replies;   // one entry per read
    bool refuseOpen = false;
    std::size_t writeLimit = 8;  // bytes a write gets through
    int configured = 0;
    int closes = 0;

    bool Open(const std::string& devicePath) override {
        opened.push_back(devicePath);
        if (refuseOpen) return false;
        open_ = true;
        return true;
    }
    void Configure() override { ++configured; }
    void Close() override {
        if (open_) ++closes;
        open_ = false;
    }
    bool IsOpen() const override { return open_; }
    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        if (!open_) return 0;
        const std::size_t count = size < writeLimit ? size : writeLimit;
        written.emplace_back(data, data + count);
        return count;
    }
    std::size_t Read(std::uint8_t* data, std::size_t size) override {
        if (!open_ || replies.empty()) return 0;
        std::vector<std::uint8_t> reply = replies.front();
        replies.pop_front();
        const std::size_t count = reply.size() < size ? reply.size() : size;
        for (std::size_t i = 0; i < count; ++i)
            data[i] = reply[i];
        return count;
    }

private:
    bool open_ = false;
};

inline const std::string kVarnestInstance =
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1FC9&PID_0003\\VARNESTs-000";

// The registry entries of a plugged-in kind-3 device on the given port.
inline RegistryTree VarnestRegistry(const std::string& portName = "COM7") {
    RegistryTree tree;
    tree.SetString(kVarnestInstance, "FriendlyName", "Varnest USB VCom Port (" + portName + ")");
    tree.SetString(kVarnestInstance + "\\Device Parameters", "PortName", portName);
    tree.SetString("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\USBSER000", portName);
    return tree;
}

inline RegistryOpener RegistryOf(const RegistryTree& tree) {
    return [tree] { return MakeMemoryRegistry(tree); };
}

}  // namespace gvc::test
