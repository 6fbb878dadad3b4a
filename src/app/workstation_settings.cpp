#include "app/workstation_settings.h"

#include <charconv>
#include <cmath>

#include "util/host_names.h"
#include "util/text_format.h"

namespace gvc {

namespace {

constexpr std::size_t kMaxSettingsFile = 64 * 1024;
constexpr std::size_t kMaxName = 100;
constexpr std::string_view kOperatorKey = "operator=";
constexpr std::string_view kToleranceKey = "as_found_tolerance=";

// A name on one line: control characters would break the file's lines.
std::string CleanName(std::string_view name) {
    std::string clean;
    for (const char c : TrimBlanks(name)) {
        if (static_cast<unsigned char>(c) >= 0x20 && clean.size() < kMaxName) clean += c;
    }
    return clean;
}

}  // namespace

std::optional<double> ParseTolerance(std::string_view text) {
    std::string number(TrimBlanks(text));
    for (char& c : number) {
        if (c == ',') c = '.';
    }
    if (number.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    if (!std::isfinite(value) || value <= 0.0 || value > 100.0) return std::nullopt;
    return value;
}

WorkstationSettings ParseSettings(std::string_view text) {
    WorkstationSettings settings;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with(kOperatorKey))
            settings.operatorName = CleanName(line.substr(kOperatorKey.size()));
        if (line.starts_with(kToleranceKey)) {
            if (const auto t = ParseTolerance(line.substr(kToleranceKey.size())))
                settings.tolerancePercent = *t;
        }
    }
    return settings;
}

std::string SettingsText(const WorkstationSettings& settings) {
    char tolerance[32];
    const auto [end, error] =
        std::to_chars(tolerance, tolerance + sizeof tolerance, settings.tolerancePercent);
    const std::string toleranceText = error == std::errc() ? std::string(tolerance, end) : std::string("10");
    return std::string(kOperatorKey) + CleanName(settings.operatorName) + "\r\n" +
           std::string(kToleranceKey) + toleranceText + "\r\n";
}

WorkstationSettings LoadSettings(FileSystem& fs, std::string_view path) {
    const std::optional<std::string> text = fs.ReadAll(path, kMaxSettingsFile);
    return text ? ParseSettings(*text) : WorkstationSettings{};
}

bool SaveSettings(FileSystem& fs, const WorkstationSettings& settings, std::string& cause,
                  std::string_view path) {
    return WriteFileAtomically(fs, path, SettingsText(settings), cause);
}

std::string OperatorNameFor(const WorkstationSettings& settings) {
    return settings.operatorName.empty() ? SystemUserName() : settings.operatorName;
}

}  // namespace gvc
