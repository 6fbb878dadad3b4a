// Win32 serial port: CreateFileA on "\\.\NAME", synchronous ReadFile and
// WriteFile, the line settings and time-outs applied with the comm calls.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "device/serial_port.h"

namespace gvc {

namespace {

class Win32SerialPort : public SerialPort {
  public:
    ~Win32SerialPort() override { Close(); }

    bool Open(const std::string& devicePath) override {
        const HANDLE handle = ::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        handle_ = handle;
        return true;
    }

    void Configure() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        // The saved settings are the base of the new ones; they are never
        // written back. Results of the calls are not checked.
        savedDcb_.DCBlength = sizeof(DCB);
        (void)::GetCommMask(handle_, &savedMask_);
        (void)::GetCommState(handle_, &savedDcb_);
        (void)::GetCommTimeouts(handle_, &savedTimeouts_);

        DCB dcb = savedDcb_;
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = kBaudRate;
        dcb.fBinary = 1;
        dcb.fParity = 0;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = 0;
        dcb.fTXContinueOnXoff = 0;
        dcb.fOutX = 0;
        dcb.fInX = 0;
        dcb.fErrorChar = 0;
        dcb.fNull = 0;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fAbortOnError = 0;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.ErrorChar = 0;
        dcb.EofChar = 0;
        dcb.EvtChar = 0;

        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = kReadIntervalMs;
        timeouts.ReadTotalTimeoutMultiplier = kReadTotalMultiplierMs;
        timeouts.ReadTotalTimeoutConstant = kReadTotalConstantMs;
        timeouts.WriteTotalTimeoutMultiplier = kWriteTotalMultiplierMs;
        timeouts.WriteTotalTimeoutConstant = kWriteTotalConstantMs;

        (void)::SetupComm(handle_, kInputQueueBytes, kOutputQueueBytes);
        (void)::SetCommMask(handle_, 0);
        (void)::SetCommState(handle_, &dcb);
        (void)::SetCommTimeouts(handle_, &timeouts);
    }

    void Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE || size > MAXDWORD) return 0;
        DWORD written = 0;
        if (!::WriteFile(handle_, data, static_cast<DWORD>(size), &written, nullptr)) return 0;
        return written;
    }

    std::size_t Read(std::uint8_t* data, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE || size > MAXDWORD) return 0;
        DWORD got = 0;
        if (!::ReadFile(handle_, data, static_cast<DWORD>(size), &got, nullptr)) return 0;
        return got;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD savedMask_ = 0;
    DCB savedDcb_{};
    COMMTIMEOUTS savedTimeouts_{};
};

}  // namespace

std::unique_ptr<SerialPort> MakeSystemSerialPort() {
    return std::make_unique<Win32SerialPort>();
}

}  // namespace gvc
