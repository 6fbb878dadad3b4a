// gvc-devsim: the calibration device and its sensor in software. It opens a
// pseudo-terminal, writes the registry export that lets discovery find it as
// a "Varnest" device, and answers the 8-byte protocol. Commands on standard
// input set the gas, inject faults and unplug or plug the device; each command
// is acknowledged on standard output so that a driving test can synchronise.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "device/registry.h"
#include "device_simulator.h"
#include "sensor_profiles.h"
#include "util/native_path.h"

namespace {

using gvc::devsim::DeviceSimulator;
using gvc::devsim::Fault;
using gvc::devsim::FlashFault;
using gvc::devsim::GasChamber;
using gvc::devsim::Packet;
using gvc::devsim::SensorMemory;
using gvc::devsim::SensorProfile;

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) {
    stopRequested = 1;
}

struct Options {
    std::string registryFile;
    std::string memoryFile = "devsim-memory.bin";
    std::string profile = "default";
    std::string logFile;
    bool reset = false;
    bool automatic = false;
    double autoDelay = -1.0;
    double tau = 3.0;
    double noise = 3.0;
    double lateSeconds = 0.4;
    unsigned seed = 1;
    bool utf8Registry = false;
    std::string portLink;
    FlashFault flash = FlashFault::kNone;
};

void Usage(std::ostream& out = std::cerr) {
    out << "usage: gvc-devsim [options]\n"
           "  --registry FILE   registry export to write (default $GVC_REGISTRY_FILE, else devsim.reg)\n"
           "  --memory FILE     sensor memory kept between runs (default devsim-memory.bin)\n"
           "  --profile NAME    sensor to start from when there is no memory file\n"
           "  --reset           start from the profile even if the memory file exists\n"
           "  --list-profiles   list the sensor profiles and exit\n"
           "  --help            print this text and exit\n"
           "  --auto            automatic gas: zero after the parameter write, reference once\n"
           "                    the run's exchanges show the zero stage has ended\n"
           "  --auto-delay S    automatic gas: reference S seconds after the parameter write\n"
           "  --tau S           chamber time constant in seconds (default 3)\n"
           "  --noise N         ADC noise, counts (default 3)\n"
           "  --late-ms N       delay of a late reply (default 400)\n"
           "  --seed N          noise seed\n"
           "  --log FILE        traffic log, one line per exchange\n"
           "  --utf8-registry   write the registry export as UTF-8 instead of UTF-16LE\n"
           "  --link PATH       keep a symbolic link PATH to the port while the device is plugged\n"
           "                    in (a stable name, for example for a Wine COM port)\n"
           "  --flash MODE      a faulty sensor flash, for the check of a parameter write:\n"
           "                    keeps-old            acknowledges every write, stores nothing\n"
           "                    silent-after-write   after a flash write, reads of the flash get no reply\n"
           "                    corrupt-after-write  after a flash write, flash reads come back with\n"
           "                                         bit 0 of every byte flipped\n"
           "                    none                 (default) a sound flash\n"
           "commands on standard input:\n"
           "  gas zero | gas ref | gas FRACTION     set the chamber's target\n"
           "  temp TENTHS                           chamber temperature\n"
           "  fault status N [COUNT] | fault short|command|address|length|late|stray|silent|unplug [COUNT]\n"
           "                                        COUNT requests (default 1, 0 = until cleared)\n"
           "  fault clear | unplug | plug | quit\n"
           "  flash keeps-old|silent-after-write|corrupt-after-write|none   as --flash, from now on\n";
}

std::optional<double> ParseNumber(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0' || errno != 0) return std::nullopt;
    return value;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    const char* env = std::getenv("GVC_REGISTRY_FILE");
    options.registryFile = env != nullptr && *env != '\0' ? env : "devsim.reg";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto number = [&](double& out) {
            std::string text;
            if (!next(text)) return false;
            const std::optional<double> value = ParseNumber(text);
            if (!value) return false;
            out = *value;
            return true;
        };
        double value = 0;
        if (arg == "--registry") {
            if (!next(options.registryFile)) return false;
        } else if (arg == "--memory") {
            if (!next(options.memoryFile)) return false;
        } else if (arg == "--profile") {
            if (!next(options.profile)) return false;
        } else if (arg == "--log") {
            if (!next(options.logFile)) return false;
        } else if (arg == "--reset") {
            options.reset = true;
        } else if (arg == "--auto") {
            options.automatic = true;
        } else if (arg == "--auto-delay") {
            if (!number(options.autoDelay) || options.autoDelay < 0) return false;
            options.automatic = true;
        } else if (arg == "--tau") {
            if (!number(options.tau) || options.tau < 0) return false;
        } else if (arg == "--noise") {
            if (!number(options.noise) || options.noise < 0) return false;
        } else if (arg == "--late-ms") {
            if (!number(value) || value < 0 || value > 60000) return false;
            options.lateSeconds = value / 1000.0;
        } else if (arg == "--seed") {
            if (!number(value) || value < 0 || value > 4294967295.0) return false;
            options.seed = static_cast<unsigned>(value);
        } else if (arg == "--link") {
            if (!next(options.portLink) || options.portLink.empty()) return false;
        } else if (arg == "--flash") {
            std::string mode;
            if (!next(mode) || !gvc::devsim::ParseFlashFault(mode, options.flash)) return false;
        } else if (arg == "--utf8-registry") {
            options.utf8Registry = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            std::exit(0);
        } else if (arg == "--list-profiles") {
            for (const SensorProfile& p : gvc::devsim::SensorProfiles())
                std::cout << p.name << "  " << p.description << "\n";
            std::exit(0);
        } else {
            return false;
        }
    }
    return true;
}

// Writes a file through a temporary one, so that readers never see half of it.
bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

// The registry keys of the device, as Windows keeps them: the driver keys and
// the port name stay after unplugging, the serial-port map lists the port only
// while the device is plugged in.
bool WriteRegistry(const Options& options, const std::string& portName, bool plugged) {
    using gvc::RegistryValue;
    const std::string instance = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1FC9&PID_0003\\VARNESTs-000";
    std::vector<std::pair<std::string, std::vector<RegistryValue>>> keys = {
        {"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1FC9&PID_0003", {}},
        {instance, {{"FriendlyName", "Varnest USB VCom Port (" + portName + ")"}}},
        {instance + "\\Device Parameters", {{"PortName", portName}}},
        {"HARDWARE\\DEVICEMAP\\SERIALCOMM", {}},
    };
    if (plugged) keys[3].second.push_back({"\\Device\\VarnestVCom0", portName});
    return WriteFileAtomically(
        options.registryFile,
        gvc::FormatRegistryExport(
            keys, options.utf8Registry ? gvc::RegistryEncoding::kUtf8 : gvc::RegistryEncoding::kUtf16Le));
}

// Points the link at the port: a new link is made beside it and renamed over
// the old one, so that the name never points at a stale terminal.
bool LinkPort(const std::string& link, const std::string& port) {
    const std::string temporary = link + ".new";
    (void)::unlink(temporary.c_str());
    if (::symlink(port.c_str(), temporary.c_str()) != 0) return false;
    if (::rename(temporary.c_str(), link.c_str()) != 0) {
        (void)::unlink(temporary.c_str());
        return false;
    }
    return true;
}

class PseudoTerminal {
public:
    ~PseudoTerminal() { Close(); }

    bool Open() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master_ < 0) return false;
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return Fail();
        const char* name = ::ptsname(master_);
        if (name == nullptr) return Fail();
        path_ = name;
        // Kept open, so that the program may close and reopen the port at will
        // without the master side seeing a hang-up.
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave_ < 0) return Fail();
        termios settings{};
        if (::tcgetattr(slave_, &settings) != 0) return Fail();
        ::cfmakeraw(&settings);
        (void)::cfsetispeed(&settings, B115200);
        (void)::cfsetospeed(&settings, B115200);
        settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
        settings.c_cflag |= CS8 | CREAD | CLOCAL;
        settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        if (::tcsetattr(slave_, TCSANOW, &settings) != 0) return Fail();
        return true;
    }

    void Close() {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
        slave_ = master_ = -1;
        path_.clear();
    }

    int Master() const { return master_; }
    const std::string& Path() const { return path_; }

private:
    bool Fail() {
        Close();
        return false;
    }
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

struct PendingReply {
    double due;
    std::vector<std::uint8_t> bytes;
};

class SimulatorProcess {
public:
    SimulatorProcess(const Options& options, const SensorProfile& profile, const SensorMemory& memory)
        : options_(options),
          chamber_(options.tau, options.noise, options.seed),
          device_(profile, memory, chamber_),
          start_(std::chrono::steady_clock::now()) {
        device_.SetAutomatic(options.automatic, options.autoDelay);
        device_.SetLateSeconds(options.lateSeconds);
        device_.SetFlashFault(options.flash);
        if (!options.logFile.empty()) log_.open(options.logFile, std::ios::app);
    }

    bool Plug() {
        if (terminal_.Master() >= 0) return true;
        if (!terminal_.Open()) return false;
        request_.clear();
        lastPort_ = terminal_.Path();
        if (!WriteRegistry(options_, lastPort_, true))
            std::cerr << "gvc-devsim: cannot write the registry file\n";
        if (!options_.portLink.empty() && !LinkPort(options_.portLink, lastPort_))
            std::cerr << "gvc-devsim: cannot link " << options_.portLink << ": " << std::strerror(errno)
                      << "\n";
        std::cout << "port " << terminal_.Path() << std::endl;
        return true;
    }

    void Unplug() {
        pending_.clear();
        request_.clear();
        terminal_.Close();
        // The link goes with the device, so that the port cannot be opened while unplugged.
        if (!options_.portLink.empty()) (void)::unlink(options_.portLink.c_str());
        if (!lastPort_.empty()) (void)WriteRegistry(options_, lastPort_, false);
    }

    int Run() {
        if (!Plug()) {
            std::cerr << "gvc-devsim: cannot open a pseudo-terminal: " << std::strerror(errno) << "\n";
            return 1;
        }
        std::cout << "ready" << std::endl;
        bool inputOpen = true;
        while (!stopRequested && !quit_) {
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {terminal_.Master(), POLLIN, 0}};
            const nfds_t count = terminal_.Master() >= 0 ? 2 : 1;
            if (!inputOpen) fds[0].fd = -1;
            const int ready = ::poll(fds, count, PollTimeout());
            if (ready < 0 && errno != EINTR) break;
            const double now = Now();
            if (ready > 0 && inputOpen && (fds[0].revents & (POLLIN | POLLHUP)) != 0)
                inputOpen = ReadCommands(now);
            if (ready > 0 && count == 2 && (fds[1].revents & POLLIN) != 0) ReadLine(now);
            SendDue(Now());
            device_.Tick(Now());
            SaveMemoryIfChanged();
        }
        Unplug();
        SaveMemoryIfChanged();
        return 0;
    }

private:
    double Now() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    int PollTimeout() const {
        double wait = 0.1;  // automatic mode and stale request bytes are looked at this often
        for (const PendingReply& reply : pending_)
            wait = std::min(wait, reply.due - Now());
        if (wait < 0) wait = 0;
        return static_cast<int>(wait * 1000.0) + 1;
    }

    void ReadLine(double now) {
        std::uint8_t buffer[256];
        const ssize_t n = ::read(terminal_.Master(), buffer, sizeof buffer);
        if (n <= 0) return;
        // Bytes of a request that stopped arriving long ago are dropped, so
        // one broken request does not shift all later ones.
        if (!request_.empty() && now - lastByte_ > 0.1) request_.clear();
        lastByte_ = now;
        for (ssize_t i = 0; i < n; ++i) {
            request_.push_back(buffer[i]);
            if (request_.size() < 8) continue;
            Packet packet{};
            std::copy(request_.begin(), request_.end(), packet.begin());
            request_.clear();
            gvc::devsim::Response response = device_.Handle(packet, now);
            if (log_) log_ << response.logLine << std::endl;
            if (response.unplug) {
                std::cout << "unplugged" << std::endl;
                Unplug();
                return;
            }
            if (!response.bytes.empty()) pending_.push_back({now + response.delaySeconds, response.bytes});
        }
    }

    void SendDue(double now) {
        if (terminal_.Master() < 0) return;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->due > now) {
                ++it;
                continue;
            }
            // A full line discards the reply, as a device would when nobody reads.
            (void)!::write(terminal_.Master(), it->bytes.data(), it->bytes.size());
            it = pending_.erase(it);
        }
    }

    void SaveMemoryIfChanged() {
        if (!device_.TakeFlashChanged()) return;
        const SensorMemory& memory = device_.Memory();
        if (!WriteFileAtomically(options_.memoryFile, std::string(memory.begin(), memory.end())))
            std::cerr << "gvc-devsim: cannot write the memory file\n";
    }

    // Returns false at the end of standard input.
    bool ReadCommands(double now) {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) return n < 0 && (errno == EINTR || errno == EAGAIN);
        input_.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end = input_.find('\n'); end != std::string::npos; end = input_.find('\n')) {
            const std::string line = input_.substr(0, end);
            input_.erase(0, end + 1);
            std::cout << Execute(line, now) << std::endl;
        }
        if (input_.size() > 4096) input_.clear();
        return true;
    }

    std::string Execute(const std::string& line, double now) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word.empty()) return "ok";
        if (word == "quit") {
            quit_ = true;
            return "ok quit";
        }
        if (word == "unplug") {
            Unplug();
            return "ok unplug";
        }
        if (word == "plug") return Plug() ? "ok plug " + terminal_.Path() : "error plug";
        if (word == "gas") {
            std::string what;
            in >> what;
            std::optional<double> fraction = what == "zero" ? 0.0 : what == "ref" ? 1.0 : ParseNumber(what);
            if (!fraction) return "error gas " + what;
            device_.SetGas(*fraction, now);
            return "ok gas";
        }
        if (word == "temp") {
            std::string what;
            in >> what;
            const std::optional<double> tenths = ParseNumber(what);
            if (!tenths || *tenths < -1000 || *tenths > 2000) return "error temp";
            device_.SetTemperature(static_cast<int>(*tenths));
            return "ok temp";
        }
        if (word == "fault") return SetFault(in);
        if (word == "flash") {
            std::string mode;
            in >> mode;
            FlashFault flash = FlashFault::kNone;
            if (!gvc::devsim::ParseFlashFault(mode, flash)) return "error flash " + mode;
            device_.SetFlashFault(flash);
            return "ok flash " + mode;
        }
        return "error unknown command " + word;
    }

    std::string SetFault(std::istringstream& in) {
        std::string name;
        in >> name;
        if (name == "clear") {
            device_.ClearFault();
            return "ok fault clear";
        }
        unsigned status = 0;
        if (name == "status") {
            std::string code;
            in >> code;
            const std::optional<double> value = ParseNumber(code);
            if (!value || *value < 1 || *value > 15) return "error fault status";
            status = static_cast<unsigned>(*value);
        }
        static const std::pair<const char*, Fault> kFaults[] = {
            {"status", Fault::kStatus},        {"short", Fault::kShortReply},
            {"command", Fault::kWrongCommand}, {"address", Fault::kWrongAddress},
            {"length", Fault::kWrongLength},   {"late", Fault::kLateReply},
            {"stray", Fault::kStrayBytes},     {"silent", Fault::kSilent},
            {"unplug", Fault::kUnplug},
        };
        for (const auto& [faultName, fault] : kFaults) {
            if (name != faultName) continue;
            std::string countText;
            int count = 1;
            if (in >> countText) {
                const std::optional<double> value = ParseNumber(countText);
                if (!value || *value < 0 || *value > 1e6) return "error fault count";
                count = static_cast<int>(*value);
            }
            device_.SetFault(fault, count, static_cast<std::uint8_t>(status));
            return "ok fault " + name;
        }
        return "error fault " + name;
    }

    const Options& options_;
    GasChamber chamber_;
    DeviceSimulator device_;
    PseudoTerminal terminal_;
    std::chrono::steady_clock::time_point start_;
    std::ofstream log_;
    std::vector<std::uint8_t> request_;
    double lastByte_ = 0.0;
    std::vector<PendingReply> pending_;
    std::string input_;
    std::string lastPort_;
    bool quit_ = false;
};

}  // namespace

int RunSimulator(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    const SensorProfile* profile = gvc::devsim::FindSensorProfile(options.profile);
    if (profile == nullptr) {
        std::cerr << "gvc-devsim: no sensor profile " << options.profile << " (see --list-profiles)\n";
        return 2;
    }
    SensorMemory memory = profile->memory;
    if (!options.reset) {
        const gvc::FileReadResult read = gvc::ReadRegularFile(options.memoryFile, memory.size());
        if (read.bytes && read.bytes->size() == memory.size())
            std::copy(read.bytes->begin(), read.bytes->end(), memory.begin());
        else if (read.bytes || std::filesystem::exists(options.memoryFile))
            std::cerr << "gvc-devsim: memory file is not 256 bytes; starting from the profile\n";
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    SimulatorProcess process(options, *profile, memory);
    return process.Run();
}

int main(int argc, char** argv) {
    // Nothing may end the simulator unexplained: any exception is printed.
    try {
        return RunSimulator(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "gvc-devsim: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "gvc-devsim: unexpected failure\n";
    }
    return 2;
}
