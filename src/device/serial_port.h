// The serial port of the calibration device, behind a small interface so that
// the discovery and packet logic run the same on Windows, on POSIX and against
// test doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace gvc {

// Read and write time-outs of the configured port, in milliseconds: a read
// gives up `kReadIntervalMs` after the last byte, or after
// kReadTotalMultiplierMs * length + kReadTotalConstantMs in total; a write
// after kWriteTotalMultiplierMs * length + kWriteTotalConstantMs.
inline constexpr int kReadIntervalMs = 10;
inline constexpr int kReadTotalMultiplierMs = 20;
inline constexpr int kReadTotalConstantMs = 20;
inline constexpr int kWriteTotalMultiplierMs = 20;
inline constexpr int kWriteTotalConstantMs = 20;
inline constexpr std::uint32_t kBaudRate = 115200;
inline constexpr std::uint32_t kInputQueueBytes = 4096;
inline constexpr std::uint32_t kOutputQueueBytes = 2048;

class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Opens the device path ("\\.\" followed by the port name) exclusively.
    // A port that is open is not closed here; the caller does that first.
    virtual bool Open(const std::string& devicePath) = 0;
    // Saves the port's settings and applies 115200 8N1, no flow control, DTR
    // raised, RTS lowered and the time-outs above. Failures are not reported.
    virtual void Configure() = 0;
    // Closes the port if it is open.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // One write of `size` bytes within the write time-out; the number of bytes
    // written, 0 when nothing could be written or the port is closed.
    virtual std::size_t Write(const std::uint8_t* data, std::size_t size) = 0;
    // One read of up to `size` bytes with the read time-outs; the number of
    // bytes read, 0 when none arrived or the port is closed or gone.
    virtual std::size_t Read(std::uint8_t* data, std::size_t size) = 0;
};

// The port of this operating system (termios on POSIX, the Win32 calls on Windows).
std::unique_ptr<SerialPort> MakeSystemSerialPort();

}  // namespace gvc
