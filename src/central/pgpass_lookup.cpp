#include "central/pgpass_lookup.h"

#include <array>

namespace gvc {

namespace {

// Splits one line into its four leading fields and the password (the rest),
// each unescaped; false when the line has fewer than five fields.
bool SplitLine(std::string_view line, std::array<std::string, 5>& fields) {
    std::size_t field = 0;
    for (auto& f : fields)
        f.clear();
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            fields[field] += line[++i];
        } else if (c == ':' && field < 4) {
            ++field;
        } else {
            fields[field] += c;
        }
    }
    return field == 4;
}

bool Matches(const std::string& field, std::string_view value) {
    return field == "*" || field == value;
}

}  // namespace

std::optional<std::string> PgPassPassword(std::string_view text, std::string_view host, int port,
                                          std::string_view database, std::string_view user) {
    const std::string portText = std::to_string(port);
    std::array<std::string, 5> fields;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (!SplitLine(line, fields)) continue;
        if (Matches(fields[0], host) && Matches(fields[1], portText) && Matches(fields[2], database) &&
            Matches(fields[3], user))
            return fields[4];
    }
    return std::nullopt;
}

}  // namespace gvc
