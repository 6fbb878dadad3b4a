#include "device/device_thread.h"

#include <utility>

namespace gvc {

void BlockingHost::Post(std::function<void()> task) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_one();
}

void BlockingHost::RunPosted() {
    for (;;) {
        std::function<void()> task;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void BlockingHost::WaitUntil(const std::function<bool()>& ready) {
    for (;;) {
        RunPosted();
        if (ready()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        posted_.wait(lock, [this] { return !tasks_.empty(); });
    }
}

DeviceThread::DeviceThread(DevicePort& port, Waiter& waiter, DeviceHost& host)
    : host_(host), link_(port, recorder_, waiter) {
    link_.SetGate([this] { return running_ == generation_.load(); });
    thread_ = std::thread([this] { Loop(); });
}

DeviceThread::~DeviceThread() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        queue_.clear();
        ++generation_;
    }
    queued_.notify_all();
    thread_.join();
    // Results still on their way to the driving thread find nobody there.
    *alive_ = false;
}

void DeviceThread::Submit(Job job, Operator& op, Done done) {
    if (OnDeviceThread()) {
        done(Run(std::move(job), op));
        return;
    }
    ++pending_;
    if (held_) {
        host_.Post([alive = alive_, this, done = std::move(done)] {
            if (!*alive) return;
            --pending_;
            done(kDeviceCancelled);
        });
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(Task{std::move(job), &op, std::move(done), generation_.load()});
    }
    queued_.notify_one();
}

int DeviceThread::Run(Job job, Operator& op) {
    if (OnDeviceThread()) {
        if (held_.load()) return kDeviceCancelled;
        DeviceJobContext context{link_, recorder_};
        const int result = job(context);
        std::vector<std::string> texts = std::exchange(recorder_.texts, {});
        std::vector<MessageKind> kinds = std::exchange(recorder_.kinds, {});
        for (std::size_t i = 0; i < texts.size(); ++i)
            op.Show(kinds[i], texts[i]);
        return result;
    }
    bool finished = false;
    int result = kDeviceCancelled;
    ++waiting_;
    Submit(std::move(job), op, [&finished, &result](int r) {
        result = r;
        finished = true;
    });
    host_.WaitUntil([&finished] { return finished; });
    --waiting_;
    return result;
}

void DeviceThread::Cancel() {
    std::deque<Task> dropped;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(queue_);
        ++generation_;
    }
    held_ = true;
    for (Task& task : dropped) {
        host_.Post([alive = alive_, this, done = std::move(task.done)] {
            if (!*alive) return;
            --pending_;
            done(kDeviceCancelled);
        });
    }
}

void DeviceThread::Resume() {
    if (waiting_ == 0) held_ = false;
}

void DeviceThread::Loop() {
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_) return;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        running_ = task.generation;
        int result = kDeviceCancelled;
        if (task.generation == generation_.load()) {
            DeviceJobContext context{link_, recorder_};
            result = task.job(context);
            ++jobsRun_;
        }
        std::vector<std::string> texts = std::exchange(recorder_.texts, {});
        std::vector<MessageKind> kinds = std::exchange(recorder_.kinds, {});
        Finish(alive_, task, result, std::move(texts), std::move(kinds));
    }
}

void DeviceThread::Finish(const std::shared_ptr<bool>& alive, Task& task, int result,
                          std::vector<std::string> texts, std::vector<MessageKind> kinds) {
    host_.Post([alive, this, generation = task.generation, result, texts = std::move(texts),
                kinds = std::move(kinds), op = task.op, done = std::move(task.done)] {
        if (!*alive) return;
        --pending_;
        // Stopped while it ran: what it found out is of no use any more.
        if (generation != generation_.load()) {
            done(kDeviceCancelled);
            return;
        }
        for (std::size_t i = 0; i < texts.size(); ++i)
            op->Show(kinds[i], texts[i]);
        done(result);
    });
}

}  // namespace gvc
