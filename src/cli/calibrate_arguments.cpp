#include "cli/calibrate_arguments.h"

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
        } else {
            if (args[i].starts_with("-") && args[i] != "--yes" && args[i] != "--reference" &&
                args[i] != "--above-range")
                err << "gvc-cli calibrate: unknown option " << args[i] << "\n";
            err << "usage: gvc-cli calibrate [--yes] [--reference VALUE [--above-range]]\n";
            return std::nullopt;
        }
    }
    return parsed;
}

}  // namespace gvc::cli
