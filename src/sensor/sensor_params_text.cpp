#include "sensor/sensor_params_text.h"

#include <charconv>
#include <string_view>

namespace gvc {

namespace {

class Lines {
public:
    explicit Lines(std::vector<std::string>& out) : out_(out) {}

    void Int(std::string_view name, long long value) { Add(name, std::to_string(value)); }
    void Date(std::string_view name, const SensorDate& date) {
        Add(name,
            std::to_string(date.day) + "." + std::to_string(date.month) + "." + std::to_string(date.year));
    }
    void Double(std::string_view name, double value) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        Add(name, std::string(buffer, result.ptr));
    }

private:
    void Add(std::string_view name, const std::string& value) {
        out_.push_back(std::string(name) + "=" + value);
    }
    std::vector<std::string>& out_;
};

}  // namespace

std::vector<std::string> SensorValueLines(const SensorIdentity& identity, const SensorParams& p,
                                          const std::string& paramsName, const SensorWideValues& wide) {
    std::vector<std::string> out;
    Lines lines(out);
    lines.Int("SensorIdentity.GasCode", identity.GasCode);
    lines.Int("SensorIdentity.SerialNumber", identity.SerialNumber);
    lines.Int("SensorIdentity.TypeNumber", identity.TypeNumber);
    lines.Int("SensorIdentity.GasNumber", identity.GasNumber);

    const std::string n = paramsName + ".";
    lines.Int(n + "GasCode", p.GasCode);
    lines.Int(n + "KindCode", p.KindCode);
    lines.Int(n + "ElectrodeCode", p.ElectrodeCode);
    lines.Int(n + "MeasuredParamCode", p.MeasuredParamCode);
    lines.Int(n + "UnitCode", p.UnitCode);
    lines.Int(n + "MakerCode", p.MakerCode);
    lines.Int(n + "MultiplierCode", p.MultiplierCode);
    lines.Int(n + "RangeTop", p.RangeTop);
    lines.Int(n + "LifeTime", p.LifeTime);
    lines.Int(n + "WorkWarnPercent", p.WorkWarnPercent);
    lines.Int(n + "WorkResourceMax", p.WorkResourceMax);
    lines.Int(n + "TypeNumber", p.TypeNumber);
    lines.Date(n + "EndOfUseDate", p.EndOfUseDate);
    lines.Int(n + "WorkResourceWarn", p.WorkResourceWarn);
    lines.Int(n + "WorkResourceNow", p.WorkResourceNow);
    lines.Int(n + "MaxCalibrations", p.MaxCalibrations);
    lines.Int(n + "CalWarnPercent", p.CalWarnPercent);
    lines.Int(n + "CalResourcePercent", p.CalResourcePercent);
    lines.Int(n + "CalInterval", p.CalInterval);
    lines.Int(n + "PgaGainMax", p.PgaGainMax);
    lines.Int(n + "CalibrationCount", p.CalibrationCount);
    lines.Int(n + "CalResourceWarn", p.CalResourceWarn);
    lines.Int(n + "CalResourceNow", p.CalResourceNow);
    lines.Int(n + "CalResourceMax", p.CalResourceMax);
    lines.Date(n + "NextCalibrationDate", p.NextCalibrationDate);
    lines.Int(n + "PgaGain", p.PgaGain);
    lines.Int(n + "ZeroOffsetSign", p.ZeroOffsetSign);
    lines.Int(n + "ZeroOffset", p.ZeroOffset);
    lines.Int(n + "Slope", p.Slope);
    lines.Int(n + "InitialSlope", p.InitialSlope);
    lines.Int(n + "ZeroConc", p.ZeroConc);
    lines.Int(n + "RefConc", p.RefConc);
    lines.Int(n + "SetTolerance", p.SetTolerance);
    lines.Int(n + "ThresholdA1", p.ThresholdA1);
    lines.Int(n + "ThresholdA2", p.ThresholdA2);
    lines.Int(n + "SampleRate", p.SampleRate);
    lines.Int(n + "BoardVersion", p.BoardVersion);
    lines.Int(n + "FirmwareVersion", p.FirmwareVersion);
    for (std::size_t i = 0; i < p.TempCoefs.size(); ++i) {
        const std::string e = n + "TempCoefs[" + std::to_string(i) + "].";
        lines.Int(e + "start", p.TempCoefs[i].start);
        lines.Int(e + "slope", p.TempCoefs[i].slope);
    }
    lines.Int(n + "TempEndCoef", p.TempEndCoef);
    for (std::size_t i = 0; i < p.ResourceRanges.size(); ++i) {
        const std::string e = n + "ResourceRanges[" + std::to_string(i) + "].";
        lines.Int(e + "end", p.ResourceRanges[i].end);
        lines.Int(e + "start", p.ResourceRanges[i].start);
        lines.Int(e + "slope", p.ResourceRanges[i].slope);
    }
    lines.Double(n + "MultiplierScale", p.MultiplierScale);
    lines.Int(n + "RangeExponent", p.RangeExponent);
    lines.Double(n + "RangeScale", p.RangeScale);

    lines.Int("TempScale", wide.TempScale);
    lines.Int("TempOffset", wide.TempOffset);
    lines.Int("KeptWordB", wide.KeptWordB);
    return out;
}

}  // namespace gvc
