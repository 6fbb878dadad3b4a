#include "cli/calibrate_arguments.h"

#include <algorithm>
#include <charconv>

#include "ui/concentration_text.h"
#include "util/cp1251.h"

namespace gvc::cli {

std::optional<CalibrateArguments> ParseCalibrateArguments(std::span<const std::string> args,
                                                          std::ostream& err) {
    CalibrateArguments parsed;
    bool referenceGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--yes" && !parsed.yes) {
            parsed.yes = true;
        } else if (args[i] == "--above-range" && !parsed.aboveRange) {
            parsed.aboveRange = true;
        } else if (args[i] == "--reference" && !referenceGiven && i + 1 < args.size()) {
            referenceGiven = true;
            const std::string& text = args[++i];
            parsed.referenceText = Cp1251FromUtf8(text);
            parsed.reference = ParseStdText(parsed.referenceText);
            if (!parsed.reference) {
                err << "not a concentration: \"" << text << "\"\n";
                return std::nullopt;
            }
        } else if (args[i] == "--cylinder" && !parsed.cylinder && i + 1 < args.size()) {
            const std::string& text = args[++i];
            std::int64_t id = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
            if (ec != std::errc() || end != text.data() + text.size() || id <= 0) {
                err << "not a cylinder number: \"" << text << "\"\n";
                return std::nullopt;
            }
            parsed.cylinder = id;
        } else if (args[i] == "--operator" && parsed.operatorName.empty() && i + 1 < args.size()) {
            const std::string& text = args[++i];
            const bool control = std::any_of(text.begin(), text.end(),
                                             [](char c) { return static_cast<unsigned char>(c) < 0x20; });
            parsed.operatorName = Cp1251FromUtf8(text);
            if (text.find_first_not_of(' ') == std::string::npos || control || !IsCp1251Encodable(text) ||
                parsed.operatorName.size() > 100) {
                err << "not an operator's name: \"" << text << "\" (one line of at most 100 characters)\n";
                return std::nullopt;
            }
        } else {
            if (args[i].starts_with("-") && args[i] != "--yes" && args[i] != "--reference" &&
                args[i] != "--above-range" && args[i] != "--cylinder" && args[i] != "--operator")
                err << "gvc-cli calibrate: unknown option " << args[i] << "\n";
            err << "usage: gvc-cli calibrate [--yes] [--reference VALUE [--above-range] | --cylinder ID] "
                   "[--operator NAME]\n";
            return std::nullopt;
        }
    }
    if (parsed.reference && parsed.cylinder) {
        err << "--reference and --cylinder both set the reference: give one\n";
        return std::nullopt;
    }
    return parsed;
}

}  // namespace gvc::cli
