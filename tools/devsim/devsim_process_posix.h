// Starts gvc-devsim as a child process and talks to it through its standard
// input and output (POSIX). Only the child started here is ever signalled, by
// its process id.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

    // Starts the program and waits for its "ready" line; false on failure
    // (the reason in Error()).
    bool Start(const std::string& program, const std::vector<std::string>& args) {
        int toChild[2];
        int fromChild[2];
        if (::pipe2(toChild, O_CLOEXEC) != 0) return Fail("pipe");
        if (::pipe2(fromChild, O_CLOEXEC) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return Fail("pipe");
        }
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& a : argv)
            pointers.push_back(a.data());
        pointers.push_back(nullptr);
        // A simulator that has quit (or refused its options) must not take the
        // driving program with it when a command is written to its pipe.
        ::signal(SIGPIPE, SIG_IGN);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(toChild[0], STDIN_FILENO);
            ::dup2(fromChild[1], STDOUT_FILENO);
            ::execv(program.c_str(), pointers.data());
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
        if (pid_ < 0) return Fail("fork");
        for (std::string line; ReadLine(line);) {
            if (line.rfind("port ", 0) == 0) port_ = line.substr(5);
            if (line == "ready") return !port_.empty() || Fail("no port line");
        }
        return Fail("no ready line from " + program);
    }

    // Sends one command line and returns the simulator's answer line ("ok ..."
    // or "error ..."), skipping notices such as "port" and "unplugged".
    std::string Command(const std::string& command) {
        const std::string line = command + "\n";
        if (input_ < 0 || ::write(input_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return "error write";
        for (std::string answer; ReadLine(answer);) {
            if (answer.rfind("port ", 0) == 0) port_ = answer.substr(5);
            if (answer.rfind("ok", 0) == 0 || answer.rfind("error", 0) == 0) return answer;
        }
        return "error no answer";
    }

    // Asks the simulator to quit; terminates it if it does not within two seconds.
    void Stop() {
        if (pid_ <= 0) return;
        if (input_ >= 0) (void)!::write(input_, "quit\n", 5);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        CloseFds();
    }

    const std::string& Port() const { return port_; }
    const std::string& Error() const { return error_; }

private:
    // One line of the child's output within five seconds.
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
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || output_ < 0) return false;
            pollfd p{output_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            char chunk[256];
            const ssize_t n = ::read(output_, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    bool Fail(const std::string& why) {
        error_ = why;
        return false;
    }

    void CloseFds() {
        if (input_ >= 0) ::close(input_);
        if (output_ >= 0) ::close(output_);
        input_ = output_ = -1;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffer_;
    std::string port_;
    std::string error_;
};

}  // namespace gvc::devsim
