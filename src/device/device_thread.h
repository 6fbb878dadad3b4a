// The device on a thread of its own. One thread owns the serial port and the
// packet link and makes every exchange, with its wait before the reply; the
// thread that drives the calibration (the window's, or gvc-cli's main thread)
// hands it jobs through a small queue and takes their results back as tasks
// posted to it. Nothing else is shared: a job carries what it needs, and the
// messages an exchange would show are recorded on the device thread and shown
// by the driving thread when the result arrives.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "util/operator.h"

namespace gvc {

// How the driving thread takes tasks from the device thread and waits for a
// result: the window's thread goes on painting and answering the operator
// while it waits; gvc-cli's main thread has nothing else to do.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;
    // Any thread: `task` is to run on the driving thread, in posting order.
    virtual void Post(std::function<void()> task) = 0;
    // Driving thread: returns once `ready()` holds, running posted tasks (and,
    // in the window, everything else that comes) meanwhile.
    virtual void WaitUntil(const std::function<bool()>& ready) = 0;
};

// The driving thread blocks while it waits and runs the posted tasks then.
class BlockingHost : public DeviceHost {
public:
    void Post(std::function<void()> task) override;
    void WaitUntil(const std::function<bool()>& ready) override;
    // Runs the tasks posted so far.
    void RunPosted();

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

// What a job works with on the device thread: the link, and an operator that
// records the messages for the driving thread.
struct DeviceJobContext {
    DeviceLink& link;
    Operator& op;
};

class DeviceThread {
public:
    using Job = std::function<int(DeviceJobContext&)>;
    // Called on the driving thread with the job's result, or kDeviceCancelled.
    using Done = std::function<void(int result)>;

    // The thread gets a link of its own over `port`, waiting with `waiter`;
    // from now on only the device thread touches the port.
    DeviceThread(DevicePort& port, Waiter& waiter, DeviceHost& host);
    ~DeviceThread();
    DeviceThread(const DeviceThread&) = delete;
    DeviceThread& operator=(const DeviceThread&) = delete;

    // Queues `job`. When it has run, the messages it recorded are shown
    // through `op` and then `done` gets its result, on the driving thread. A
    // job dropped or stopped by Cancel shows nothing and reports
    // kDeviceCancelled; so does a job submitted while held.
    void Submit(Job job, Operator& op, Done done);
    // Submit, then wait the host's way for the result. Called by a job on the
    // device thread (a whole transfer that runs there), the job runs at once
    // and its messages are shown through `op` as it returns.
    int Run(Job job, Operator& op);
    bool OnDeviceThread() const { return std::this_thread::get_id() == thread_.get_id(); }

    // Drops the queued jobs; the job on the line finishes the exchange it is
    // in (a packet is never cut) and sends no further one. Holds until Resume.
    void Cancel();
    // Ends the hold, unless a Run is still waiting: the operation that was
    // cancelled is still unwinding and must not send anything more.
    void Resume();
    bool Held() const { return held_.load(); }
    // A job is queued or running, or its result has not been taken yet.
    bool Busy() const { return pending_ > 0; }
    // Jobs that ran on the device thread (for tests).
    std::uint64_t JobsRun() const { return jobsRun_.load(); }

private:
    struct Task {
        Job job;
        Operator* op = nullptr;
        Done done;
        std::uint64_t generation = 0;
    };
    void Loop();
    void Finish(const std::shared_ptr<bool>& alive, Task& task, int result, std::vector<std::string> texts,
                std::vector<MessageKind> kinds);

    // Records what the link would show.
    class Recorder : public Operator {
    public:
        void Show(MessageKind kind, std::string_view text) override {
            kinds.push_back(kind);
            texts.emplace_back(text);
        }
        bool Ask(MessageKind kind, std::string_view text) override {
            Show(kind, text);
            return false;
        }
        std::vector<MessageKind> kinds;
        std::vector<std::string> texts;
    };

    DeviceHost& host_;
    Recorder recorder_;
    DeviceLink link_;

    // Shared with the device thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Task> queue_;
    bool stop_ = false;
    // Raised by Cancel; a job of an older generation sends nothing more.
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::uint64_t> jobsRun_{0};
    std::uint64_t running_ = 0;  // device thread: generation of the job on the line

    // Driving thread only.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    int pending_ = 0;
    int waiting_ = 0;
    std::atomic<bool> held_{false};  // read by jobs too

    std::thread thread_;
};

// The operator as a job on the device thread meets it: a message or question
// is handed to the driving thread, which shows it, and the job waits for it to
// be closed or answered (the driving thread never waits for the job). On the
// driving thread it is shown at once.
class HostOperator : public Operator {
public:
    HostOperator(Operator& op, const DeviceThread& device, DeviceHost& host)
        : op_(op), device_(device), host_(host) {}
    void Show(MessageKind kind, std::string_view text) override {
        if (!device_.OnDeviceThread()) return op_.Show(kind, text);
        std::promise<void> shown;
        host_.Post([this, kind, copy = std::string(text), &shown] {
            op_.Show(kind, copy);
            shown.set_value();
        });
        shown.get_future().wait();
    }
    bool Ask(MessageKind kind, std::string_view text) override {
        if (!device_.OnDeviceThread()) return op_.Ask(kind, text);
        std::promise<bool> answer;
        host_.Post(
            [this, kind, copy = std::string(text), &answer] { answer.set_value(op_.Ask(kind, copy)); });
        return answer.get_future().get();
    }

private:
    Operator& op_;
    const DeviceThread& device_;
    DeviceHost& host_;
};

// Messages of the sensor operations while the device is held: the operation
// the operator stopped says nothing more about exchanges it did not make.
class HeldQuietOperator : public Operator {
public:
    HeldQuietOperator(Operator& op, const DeviceThread& device) : op_(op), device_(device) {}
    void Show(MessageKind kind, std::string_view text) override {
        if (!device_.Held()) op_.Show(kind, text);
    }
    bool Ask(MessageKind kind, std::string_view text) override {
        return !device_.Held() && op_.Ask(kind, text);
    }

private:
    Operator& op_;
    const DeviceThread& device_;
};

}  // namespace gvc
