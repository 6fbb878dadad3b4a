// The Windows build of the tests runs under Wine, and the simulator is the
// Linux program: Wine starts a Linux executable as a Linux process, but its
// pipes do not reach one. So the simulator is started through /bin/sh with its
// standard input from a FIFO and its output into a file, in a folder of its
// own; commands go into the FIFO and answers are read from the file.
//
// The port: gvc-devsim keeps a symbolic link at $GVC_WINE_PORT_LINK to its
// pseudo-terminal (--link), and the test script maps a COM port of the Wine
// prefix to that link and registers the device's keys, so the program finds
// the simulator as it finds the real device.
//
// Only the simulator started here is ever stopped: it is asked to quit, and
// killed by the process id it wrote itself when it does not.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace gvc::devsim {

class DevsimProcess {
public:
    DevsimProcess() = default;
    DevsimProcess(const DevsimProcess&) = delete;
    DevsimProcess& operator=(const DevsimProcess&) = delete;
    ~DevsimProcess() { Stop(); }

    // Starts the program (a Linux path) and waits for its "ready" line; false
    // on failure (the reason in Error()). Arguments that are Windows paths
    // are handed over as the Linux paths Wine maps them to.
    bool Start(const std::string& program, const std::vector<std::string>& args) {
        Stop();
        const char* link = std::getenv("GVC_WINE_PORT_LINK");
        if (link == nullptr || *link == '\0') return Fail("GVC_WINE_PORT_LINK is not set (see tests/wine)");
        if (!MakeControlFolder()) return Fail("cannot make a folder for the simulator's pipes");
        std::string script =
            "cd " + Quote(unixDir_) + " && mkfifo in && echo $$ >pid && exec " + Quote(program);
        for (const std::string& a : args)
            script += " " + Quote(UnixPathOf(a));
        script += " --link " + Quote(link) + " <in >out 2>&1";
        if (!RunUnix("Z:\\bin\\sh -c \"" + script + "\"")) return Fail("cannot start /bin/sh under Wine");

        // The process id is written once the FIFO exists (Wine does not show a
        // FIFO's attributes).
        if (!WaitForFile(dir_ + "\\pid")) return Fail("the simulator's shell did not start");
        const std::string in = dir_ + "\\in";
        // Opening the FIFO for writing waits until the shell opens it for reading.
        input_ = ::CreateFileA(in.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (input_ == INVALID_HANDLE_VALUE) return Fail("cannot open the simulator's FIFO");
        const std::string out = dir_ + "\\out";
        if (!WaitForFile(out)) return Fail("the simulator's output did not appear");
        output_ =
            ::CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr);
        if (output_ == INVALID_HANDLE_VALUE) return Fail("cannot open the simulator's output");
        for (std::string line; ReadLine(line);) {
            if (line.rfind("port ", 0) == 0) port_ = line.substr(5);
            if (line == "ready") return !port_.empty() || Fail("no port line");
        }
        return Fail("no ready line from " + program + ": " + buffer_);
    }

    // Sends one command line and returns the simulator's answer line ("ok ..."
    // or "error ..."), skipping notices such as "port" and "unplugged".
    std::string Command(const std::string& command) {
        if (!Write(command + "\n")) return "error write";
        for (std::string answer; ReadLine(answer);) {
            if (answer.rfind("port ", 0) == 0) port_ = answer.substr(5);
            if (answer.rfind("ok", 0) == 0 || answer.rfind("error", 0) == 0) return answer;
        }
        return "error no answer";
    }

    // Asks the simulator to quit; kills it if it has not within two seconds.
    void Stop() {
        if (input_ != INVALID_HANDLE_VALUE) {
            (void)Write("quit\n");
            ::CloseHandle(input_);
            input_ = INVALID_HANDLE_VALUE;
        }
        const std::string pid = ReadPid();
        if (!pid.empty()) {
            const std::string proc = "Z:\\proc\\" + pid;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (Exists(proc) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (Exists(proc)) (void)RunUnix("Z:\\bin\\kill -9 " + pid);
        }
        if (output_ != INVALID_HANDLE_VALUE) ::CloseHandle(output_);
        output_ = INVALID_HANDLE_VALUE;
        // Wine cannot delete a FIFO; the folder goes from the Linux side.
        if (!unixDir_.empty()) (void)RunUnix("Z:\\bin\\sh -c \"rm -rf " + Quote(unixDir_) + "\"");
        dir_.clear();
        unixDir_.clear();
        buffer_.clear();
    }

    const std::string& Port() const { return port_; }
    const std::string& Error() const { return error_; }

private:
    using UnixNameOf = char*(__cdecl*)(const wchar_t*);

    // Wine's own export that maps a Windows path to the Linux path behind it.
    static std::string UnixName(const std::string& windowsPath) {
        static const auto convert = reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        if (convert == nullptr) return {};
        const std::wstring wide(windowsPath.begin(), windowsPath.end());
        char* name = convert(wide.c_str());
        if (name == nullptr) return {};
        std::string result(name);
        ::HeapFree(::GetProcessHeap(), 0, name);
        return result;
    }

    // "C:\..." becomes the Linux path; anything else stays as it is.
    static std::string UnixPathOf(const std::string& arg) {
        if (arg.size() > 2 && arg[1] == ':' && (arg[2] == '\\' || arg[2] == '/')) {
            std::string name = UnixName(arg);
            if (!name.empty()) return name;
        }
        return arg;
    }

    static std::string Quote(const std::string& text) { return "'" + text + "'"; }

    static bool Exists(const std::string& path) {
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    static bool WaitForFile(const std::string& path) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Exists(path)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // Starts a Linux command line; Wine gives no handle to wait on for it.
    static bool RunUnix(std::string commandLine) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info))
            return false;
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        return true;
    }

    bool MakeControlFolder() {
        static int counter = 0;
        char temp[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(sizeof temp, temp);
        if (length == 0 || length > MAX_PATH) return false;
        do {
            dir_ = std::string(temp) + "gvc-devsim-" + std::to_string(::GetCurrentProcessId()) + "-" +
                   std::to_string(++counter);
            if (::CreateDirectoryA(dir_.c_str(), nullptr)) break;
            if (::GetLastError() != ERROR_ALREADY_EXISTS || counter > 1000) return false;
        } while (true);
        unixDir_ = UnixName(dir_);
        return !unixDir_.empty();
    }

    std::string ReadPid() const {
        if (dir_.empty()) return {};
        const HANDLE file = ::CreateFileA((dir_ + "\\pid").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {};
        char text[32] = {};
        DWORD got = 0;
        (void)::ReadFile(file, text, sizeof text - 1, &got, nullptr);
        ::CloseHandle(file);
        std::string pid;
        for (DWORD i = 0; i < got && text[i] >= '0' && text[i] <= '9'; ++i)
            pid += text[i];
        return pid;
    }

    bool Write(const std::string& text) {
        if (input_ == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        return ::WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
    }

    // One line of the simulator's output within five seconds.
    bool ReadLine(std::string& line) {
        line.clear();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return true;
            }
            if (output_ == INVALID_HANDLE_VALUE || std::chrono::steady_clock::now() > deadline) return false;
            char chunk[256];
            DWORD got = 0;
            if (!::ReadFile(output_, chunk, sizeof chunk, &got, nullptr)) return false;
            if (got == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            buffer_.append(chunk, got);
        }
    }

    bool Fail(const std::string& why) {
        error_ = why;
        return false;
    }

    HANDLE input_ = INVALID_HANDLE_VALUE;
    HANDLE output_ = INVALID_HANDLE_VALUE;
    std::string dir_;
    std::string unixDir_;
    std::string buffer_;
    std::string port_;
    std::string error_;
};

}  // namespace gvc::devsim
