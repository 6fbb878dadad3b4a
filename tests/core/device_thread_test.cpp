// The device thread and its queue: jobs run in the order they were queued and
// their results come back in that order on the driving thread; the messages an
// exchange records are shown there; Cancel drops what is queued, lets the
// exchange on the line read its reply (a packet is never cut) and stops the
// rest of its job; the hold lasts until the cancelled operation has unwound.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/device_thread.h"
#include "device_test_doubles.h"
#include "sensor/threaded_device.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;
using Bytes = std::vector<std::uint8_t>;

// A port whose reads wait until the test lets them go, so that a test can act
// while an exchange is on the line.
class HeldReadPort : public test::FakeSerialPort {
public:
    std::size_t Read(std::uint8_t* data, std::size_t size) override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++reading_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_ > 0; });
        --released_;
        return FakeSerialPort::Read(data, size);
    }
    void WaitUntilReading(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return reading_ >= count; });
    }
    void Release(int reads) {
        const std::lock_guard<std::mutex> lock(mutex_);
        released_ += reads;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int reading_ = 0;
    int released_ = 0;
};

Bytes ReadReply(std::uint8_t address, std::uint8_t value) {
    return {0x01, address, 1, value, 0, 0, 0, 0};
}

class DeviceThreadTest : public ::testing::Test {
protected:
    DeviceThreadTest() : port_(serial_, test::RegistryOf(test::VarnestRegistry()), error_) {
        serial_.Open("\\\\.\\COM7");
    }

    // A job of one read exchange at `address`, storing the value read.
    static DeviceThread::Job Read(std::uint8_t address, std::uint32_t& value) {
        return [address, &value](DeviceJobContext& context) {
            return context.link.DeviceRequest(DeviceCommand::kRead, address, 1, value);
        };
    }

    HeldReadPort serial_;
    ErrorText error_;
    DevicePort port_;
    InstantWaiter waiter_;
    BlockingHost host_;
    ScriptedOperator op_;
};

TEST_F(DeviceThreadTest, JobsRunAndReportInTheOrderQueued) {
    DeviceThread device(port_, waiter_, host_);
    std::vector<std::uint32_t> values(4);
    std::vector<int> reported;
    for (std::uint8_t i = 0; i < 4; ++i) {
        serial_.replies.push_back(ReadReply(0x10 + i, 100 + i));
        device.Submit(Read(0x10 + i, values[i]), op_, [&reported, i](int result) {
            EXPECT_EQ(result, 0);
            reported.push_back(i);
        });
    }
    EXPECT_TRUE(device.Busy());
    serial_.Release(4);
    host_.WaitUntil([&] { return reported.size() == 4; });
    EXPECT_EQ(reported, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(values, (std::vector<std::uint32_t>{100, 101, 102, 103}));
    EXPECT_FALSE(device.Busy());
    ASSERT_EQ(serial_.written.size(), 4u);
    for (std::uint8_t i = 0; i < 4; ++i)
        EXPECT_EQ(serial_.written[i][1], 0x10 + i);
}

TEST_F(DeviceThreadTest, MessagesOfAnExchangeAreShownOnTheDrivingThreadBeforeItsResult) {
    DeviceThread device(port_, waiter_, host_);
    serial_.replies.push_back({0x31, 0x06, 2, 0, 0, 0, 0, 0});  // status 3: no sensor
    serial_.Release(1);
    ThreadedChannel channel(device, op_);
    std::uint32_t value = 7;
    EXPECT_EQ(channel.DeviceRequest(DeviceCommand::kRead, 0x06, 2, value), 1);
    EXPECT_EQ(value, 7u) << "a failed exchange leaves the value alone";
    ASSERT_EQ(op_.Messages().size(), 1u);
    EXPECT_EQ(op_.Messages()[0].text,
              std::string("Ошибка приема из Устройства Градуировки:  нет соединения с датчиком"_cp));
}

TEST_F(DeviceThreadTest, CancelLetsTheExchangeOnTheLineFinishAndSendsNothingMore) {
    DeviceThread device(port_, waiter_, host_);
    // One job of three exchanges (like a sample), then two queued jobs.
    for (std::uint8_t i = 0; i < 5; ++i)
        serial_.replies.push_back(ReadReply(0x20 + i, i));
    int exchangesDone = 0;
    std::vector<int> results;
    device.Submit(
        [&exchangesDone](DeviceJobContext& context) {
            for (std::uint8_t a = 0x20; a < 0x23; ++a) {
                std::uint32_t value = 0;
                const int result = context.link.DeviceRequest(DeviceCommand::kRead, a, 1, value);
                if (result != 0) return result;
                ++exchangesDone;
            }
            return 0;
        },
        op_, [&results](int result) { results.push_back(result); });
    std::uint32_t ignored = 0;
    device.Submit(Read(0x30, ignored), op_, [&results](int result) { results.push_back(result); });
    device.Submit(Read(0x31, ignored), op_, [&results](int result) { results.push_back(result); });

    serial_.WaitUntilReading(1);  // the first request is on the line
    device.Cancel();
    EXPECT_TRUE(device.Held());
    serial_.Release(1);
    host_.WaitUntil([&] { return results.size() == 3; });

    EXPECT_EQ(results, (std::vector<int>{kDeviceCancelled, kDeviceCancelled, kDeviceCancelled}));
    EXPECT_EQ(exchangesDone, 1) << "the exchange on the line read its reply";
    ASSERT_EQ(serial_.written.size(), 1u) << "nothing was sent after the cancel";
    EXPECT_EQ(serial_.written[0], (Bytes{0x01, 0x20, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(serial_.replies.size(), 4u) << "exactly one reply was read";
    EXPECT_TRUE(op_.Messages().empty());
    EXPECT_EQ(device.JobsRun(), 1u) << "the queued jobs never ran";
}

TEST_F(DeviceThreadTest, HoldLastsUntilTheCancelledOperationHasUnwound) {
    DeviceThread device(port_, waiter_, host_);
    ThreadedChannel channel(device, op_);
    serial_.replies.push_back(ReadReply(0x40, 1));
    serial_.replies.push_back(ReadReply(0x41, 2));

    // An operation of two exchanges, cancelled from inside the wait for the
    // first one (as the window's Stop button acts while it waits).
    std::thread stopper([&] {
        serial_.WaitUntilReading(1);
        host_.Post([&device] {
            device.Cancel();
            device.Resume();  // the operation is still waiting: no effect
        });
        serial_.Release(1);
    });
    std::vector<int> results;
    for (std::uint8_t a = 0x40; a < 0x42; ++a) {
        std::uint32_t value = 0;
        results.push_back(channel.DeviceRequest(DeviceCommand::kRead, a, 1, value));
    }
    stopper.join();
    EXPECT_EQ(results, (std::vector<int>{kDeviceCancelled, kDeviceCancelled}));
    EXPECT_EQ(serial_.written.size(), 1u);
    EXPECT_EQ(serial_.replies.size(), 1u) << "the exchange on the line read its reply";
    EXPECT_TRUE(device.Held());

    // A new operation starts afresh.
    device.Resume();
    EXPECT_FALSE(device.Held());
    serial_.Release(1);
    std::uint32_t value = 0;
    EXPECT_EQ(channel.DeviceRequest(DeviceCommand::kRead, 0x41, 1, value), 0);
    EXPECT_EQ(value, 2u);
}

TEST_F(DeviceThreadTest, AWholeTransferRunsOnTheDeviceThreadAndAsksOnTheDrivingThread) {
    DeviceThread device(port_, waiter_, host_);
    // The operator records on which thread it was asked.
    class ThreadOperator : public ScriptedOperator {
    public:
        bool Ask(MessageKind kind, std::string_view text) override {
            askedOn = std::this_thread::get_id();
            return ScriptedOperator::Ask(kind, text);
        }
        std::thread::id askedOn;
    } op;
    op.QueueAnswer(true);
    HostOperator hostOp(op, device, host_);
    ThreadedChannel channel(device, hostOp);
    serial_.replies.push_back(ReadReply(0x50, 5));
    serial_.replies.push_back({0x41, 0x51, 1, 0, 0, 0, 0, 0});  // status 4: sensor time-out
    serial_.Release(2);
    std::thread::id jobThread;
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    bool answer = false;
    const int result = device.Run(
        [&](DeviceJobContext&) {
            jobThread = std::this_thread::get_id();
            // The exchanges of a transfer made on the device thread itself.
            if (channel.DeviceRequest(DeviceCommand::kRead, 0x50, 1, first) != 0) return -1;
            answer = hostOp.Ask(MessageKind::kWarning, "?");
            return channel.DeviceRequest(DeviceCommand::kRead, 0x51, 1, second);
        },
        hostOp);
    EXPECT_EQ(result, 1);  // a reply with a status
    EXPECT_EQ(first, 5u);
    EXPECT_TRUE(answer);
    EXPECT_NE(jobThread, std::this_thread::get_id());
    EXPECT_EQ(op.askedOn, std::this_thread::get_id());
    ASSERT_EQ(op.Messages().size(), 2u);
    EXPECT_EQ(op.Messages()[1].text,
              std::string("Ошибка приема из Устройства Градуировки:  датчик превысил таймаут"_cp));
    EXPECT_EQ(serial_.written.size(), 2u);
}

TEST_F(DeviceThreadTest, HeldQuietOperatorSaysNothingWhileHeld) {
    DeviceThread device(port_, waiter_, host_);
    HeldQuietOperator quiet(op_, device);
    op_.QueueAnswer(true);
    device.Cancel();
    quiet.Show(MessageKind::kError, "a");
    EXPECT_FALSE(quiet.Ask(MessageKind::kError, "b"));
    device.Resume();
    quiet.Show(MessageKind::kError, "c");
    EXPECT_TRUE(quiet.Ask(MessageKind::kError, "d"));
    ASSERT_EQ(op_.Messages().size(), 2u);
    EXPECT_EQ(op_.Messages()[0].text, "c");
    EXPECT_EQ(op_.Messages()[1].text, "d");
}

}  // namespace
}  // namespace gvc
