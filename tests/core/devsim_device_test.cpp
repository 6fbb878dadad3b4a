// The simulated device's logic without a line: memory, live values, faults,
// the chamber and the automatic gas.
#ifdef GVC_DEVSIM_PATH

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "device_simulator.h"

namespace gvc::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Packet Request(std::uint8_t command, std::uint8_t address, std::uint8_t length, std::uint32_t value = 0) {
    return {command,
            address,
            length,
            static_cast<std::uint8_t>(value),
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 24),
            0};
}

std::uint32_t ValueOf(const Bytes& reply, std::size_t length) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i)
        value |= static_cast<std::uint32_t>(reply.at(3 + i)) << (8 * i);
    return value;
}

class SimulatorTest : public ::testing::Test {
protected:
    const SensorProfile& profile_ = SensorProfiles().front();
    GasChamber chamber_{2.0, 0.0, 1};
    DeviceSimulator device_{profile_, profile_.memory, chamber_};
};

TEST_F(SimulatorTest, WritesLandInMemoryAndReadBackWithEcho) {
    for (const auto& [address, length, value] :
         {std::tuple{0x96, 1, 0xA5u}, std::tuple{0x80, 2, 0xBEEFu}, std::tuple{0x8A, 4, 0x89ABCDEFu}}) {
        const auto a = static_cast<std::uint8_t>(address);
        const auto l = static_cast<std::uint8_t>(length);
        const Response written = device_.Handle(Request(2, a, l, value), 0.0);
        EXPECT_EQ(written.bytes.size(), 8u);
        const Response read = device_.Handle(Request(1, a, l), 0.0);
        ASSERT_EQ(read.bytes.size(), 8u);
        EXPECT_EQ(read.bytes[0], 0x01);
        EXPECT_EQ(read.bytes[1], a);
        EXPECT_EQ(read.bytes[2], l);
        EXPECT_EQ(ValueOf(read.bytes, l), value);
    }
    EXPECT_TRUE(device_.TakeFlashChanged());
    EXPECT_FALSE(device_.TakeFlashChanged());
    // Writing past the last address keeps what fits and does not crash.
    device_.Handle(Request(2, 0xFF, 4, 0x11223344), 0.0);
    EXPECT_EQ(device_.Memory()[0xFF], 0x44);
}

TEST_F(SimulatorTest, LiveAreaReportsStatusTemperatureCodeAndAdc) {
    const Response status = device_.Handle(Request(1, 0x00, 2), 0.0);
    EXPECT_EQ(ValueOf(status.bytes, 2), profile_.statusByte);
    // code = (tenths + offset) * scale / 1000 with the page P words.
    device_.SetTemperature(250);
    const std::uint32_t scale = Get(profile_.memory, 0x2A, 2);
    const std::uint32_t offset = Get(profile_.memory, 0x2C, 2);
    const Response temperature = device_.Handle(Request(1, 0x06, 2), 0.0);
    EXPECT_NEAR(ValueOf(temperature.bytes, 2), (250.0 + offset) * scale / 1000.0, 2.0 * scale / 1000.0 + 1);
    const Response adc = device_.Handle(Request(1, 0x0C, 2), 0.0);
    EXPECT_EQ(ValueOf(adc.bytes, 2), profile_.zeroCode);
    EXPECT_EQ(ValueOf(device_.Handle(Request(1, 0x10, 1), 0.0).bytes, 1), 0u) << "front end ready";
}

TEST_F(SimulatorTest, ChamberSettlesWithFirstOrderTowardsTheReferenceGas) {
    device_.SetGas(1.0, 10.0);
    const double span = profile_.referenceCode - profile_.zeroCode;
    const auto adcAt = [&](double t) { return ValueOf(device_.Handle(Request(1, 0x0C, 2), t).bytes, 2); };
    EXPECT_EQ(adcAt(10.0), profile_.zeroCode);
    EXPECT_NEAR(adcAt(12.0), profile_.zeroCode + span * (1.0 - std::exp(-1.0)), 1.0);
    EXPECT_NEAR(adcAt(40.0), profile_.referenceCode, 1.0);
}

struct FaultCase {
    const char* name;
    Fault fault;
    std::uint8_t status;
    Bytes reply;  // to a read of 2 bytes at 0x06 whose value is V V
    double delay;
};

TEST_F(SimulatorTest, FaultsShapeTheNextReply) {
    const Bytes good = device_.Handle(Request(1, 0x2A, 2), 0.0).bytes;
    const std::uint8_t lo = good[3];
    const std::uint8_t hi = good[4];
    const FaultCase cases[] = {
        {"status 3", Fault::kStatus, 3, {0x31, 0x2A, 2, 0, 0, 0, 0, 0}, 0},
        {"short", Fault::kShortReply, 0, {0x01, 0x2A, 2, lo, hi, 0, 0}, 0},
        {"command", Fault::kWrongCommand, 0, {0x02, 0x2A, 2, lo, hi, 0, 0, 0}, 0},
        {"address", Fault::kWrongAddress, 0, {0x01, 0x2B, 2, lo, hi, 0, 0, 0}, 0},
        {"length", Fault::kWrongLength, 0, {0x01, 0x2A, 3, lo, hi, 0, 0, 0}, 0},
        {"late", Fault::kLateReply, 0, {0x01, 0x2A, 2, lo, hi, 0, 0, 0}, 0.4},
        {"stray", Fault::kStrayBytes, 0, {0x0F, 0xEE, 0xEE, 0x01, 0x2A, 2, lo, hi, 0, 0, 0}, 0},
        {"silent", Fault::kSilent, 0, {}, 0},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        device_.SetFault(c.fault, 1, c.status);
        const Response faulty = device_.Handle(Request(1, 0x2A, 2), 0.0);
        EXPECT_EQ(faulty.bytes, c.reply);
        EXPECT_EQ(faulty.delaySeconds, c.delay);
        EXPECT_FALSE(faulty.unplug);
        EXPECT_EQ(device_.Handle(Request(1, 0x2A, 2), 0.0).bytes, good) << "a fault for one request only";
    }
    device_.SetFault(Fault::kUnplug, 1);
    const Response unplug = device_.Handle(Request(0, 0, 2), 0.0);
    EXPECT_TRUE(unplug.unplug);
    EXPECT_TRUE(unplug.bytes.empty());
}

TEST_F(SimulatorTest, FaultCountsAndClearing) {
    device_.SetFault(Fault::kStatus, 2, 4);
    EXPECT_EQ(device_.Handle(Request(0, 0, 2), 0.0).bytes[0], 0x40);
    EXPECT_EQ(device_.Handle(Request(0, 0, 2), 0.0).bytes[0], 0x40);
    EXPECT_EQ(device_.Handle(Request(0, 0, 2), 0.0).bytes[0], 0x00);
    device_.SetFault(Fault::kStatus, 0, 2);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(device_.Handle(Request(0, 0, 2), 0.0).bytes[0], 0x20);
    device_.ClearFault();
    EXPECT_EQ(device_.Handle(Request(0, 0, 2), 0.0).bytes[0], 0x00);
    // A failing device does not carry out a write.
    device_.SetFault(Fault::kStatus, 1, 3);
    device_.Handle(Request(2, 0x96, 1, 0x42), 0.0);
    EXPECT_NE(device_.Memory()[0x96], 0x42);
}

TEST_F(SimulatorTest, LogLineNamesTheExchange) {
    device_.SetFault(Fault::kStatus, 1, 5);
    EXPECT_EQ(device_.Handle(Request(2, 0x96, 1, 7), 0.0).logLine, "1 write 96 1 00000007 status5");
    EXPECT_EQ(device_.Handle(Request(1, 0x28, 1), 0.0).logLine, "2 read 28 1 00000001 ok");
}

// The program's side of a run as its exchanges show it: a sample is a status,
// a temperature and an ADC read 0.1 s apart on a 0.5 s rhythm; every 60
// samples the spread is judged; a settled zero stage stops the rhythm for the
// reference question, answered after `answerSeconds`.
class ProgramRun {
public:
    ProgramRun(DeviceSimulator& device, double start) : device_(device), t_(start) {}

    int Sample() {
        device_.Handle(Request(1, 0x00, 2), t_);
        device_.Handle(Request(1, 0x06, 2), t_ + 0.1);
        const Response adc = device_.Handle(Request(1, 0x0C, 2), t_ + 0.2);
        lastAdcRead_ = t_ + 0.2;
        t_ += 0.5;
        return static_cast<int>(ValueOf(adc.bytes, 2));
    }
    // One stage: windows until one settles (at most six); the samples of the
    // settled window. A window that does not settle is followed by a tick
    // `lateSeconds` behind the rhythm, as on a busy machine.
    std::vector<int> Stage(int spreadLimit, double lateSeconds) {
        for (int window = 0; window < 6; ++window) {
            std::vector<int> samples;
            for (int i = 0; i < 60; ++i)
                samples.push_back(Sample());
            const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
            if (*high - *low < spreadLimit) return samples;
            t_ += lateSeconds;
        }
        return {};
    }
    // The rhythm resumes after the question: the timer restarts once it is
    // answered and fires half a second later.
    void Question(double answerSeconds) { t_ = lastAdcRead_ + 0.1 + answerSeconds + 0.5; }

private:
    DeviceSimulator& device_;
    double t_;
    double lastAdcRead_ = 0.0;
};

double Mean(const std::vector<int>& samples) {
    double sum = 0;
    for (int v : samples)
        sum += v;
    return samples.empty() ? 0.0 : sum / static_cast<double>(samples.size());
}

// Whatever the operator's pace, the zero stage sees only zero gas and the
// reference stage reaches the reference gas.
TEST_F(SimulatorTest, AutomaticGasFollowsTheRunAtAnyAnswerPace) {
    for (const double answer : {0.0, 0.2, 5.0}) {
        device_.SetGas(1.0, 0.0);  // the chamber holds reference gas from before
        device_.SetAutomatic(true, -1.0);
        const double start = 100.0 + answer * 1000.0;
        device_.Handle(Request(2, 0x96, 1, 4), start);  // parameters written: zero gas
        EXPECT_EQ(chamber_.Target(), 0.0);
        ProgramRun run(device_, start + 0.5);
        const std::vector<int> zero = run.Stage(491, 0.1);
        ASSERT_EQ(zero.size(), 60u) << answer;
        EXPECT_EQ(chamber_.Target(), 0.0) << "no reference gas before the question, answer " << answer;
        for (int v : zero)
            EXPECT_NEAR(v, profile_.zeroCode, 2) << answer;
        run.Question(answer);
        const std::vector<int> reference = run.Stage(491, 0.0);
        ASSERT_EQ(reference.size(), 60u) << answer;
        EXPECT_EQ(chamber_.Target(), 1.0) << answer;
        EXPECT_NEAR(Mean(reference), profile_.referenceCode, 2) << answer;
    }
}

// A digital front end names the end of its zero stage (command 162); its
// first window, flat but never settled, followed by a late tick changes nothing.
TEST_F(SimulatorTest, AutomaticGasTakesTheFrontEndsWord) {
    device_.SetAutomatic(true, -1.0);
    device_.Handle(Request(2, 0x96, 1, 4), 10.0);
    device_.Handle(Request(2, 0x10, 1, 161), 10.1);
    ProgramRun run(device_, 10.5);
    for (int i = 0; i < 60; ++i)
        run.Sample();
    run.Question(1.0);  // as late as an answer
    run.Sample();
    EXPECT_EQ(chamber_.Target(), 0.0);
    device_.Handle(Request(2, 0x10, 1, 162), 60.0);
    EXPECT_EQ(chamber_.Target(), 1.0);
}

TEST_F(SimulatorTest, AutomaticGasAfterAFixedDelay) {
    device_.SetAutomatic(true, 20.0);
    device_.Handle(Request(2, 0x96, 1, 4), 200.0);
    device_.Tick(219.0);
    EXPECT_EQ(chamber_.Target(), 0.0);
    device_.Tick(220.0);
    EXPECT_EQ(chamber_.Target(), 1.0);
}

}  // namespace
}  // namespace gvc::devsim

#endif  // GVC_DEVSIM_PATH
