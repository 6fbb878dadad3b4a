// Registry export files in the format regedit writes: a header line, [key]
// sections and "name"="data" string values with \\ and \" escapes.
#include <cstdint>

#include "device/registry.h"
#include "util/cp1251.h"

namespace gvc {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE bytes (after the byte-order mark) as UTF-8; an odd last byte is
// dropped and unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16Le(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf16LeFromUtf8(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    std::size_t i = 0;
    auto put = [&out](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    while (i < utf8.size()) {
        const char32_t cp = cp1251_detail::DecodeUtf8(utf8, i);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Reads a quoted text starting at s[0] == '"'; advances s past the closing
// quote. Nothing when the quote is not closed.
std::optional<std::string> TakeQuoted(std::string_view& s) {
    std::string text;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            text += s[++i];
        } else if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return text;
        } else {
            text += s[i];
        }
    }
    return std::nullopt;
}

// The key path below HKEY_LOCAL_MACHINE of a section header, or nothing for
// other roots and deletions.
std::optional<std::string> SectionPath(std::string_view header) {
    if (header.empty() || header.front() == '-') return std::nullopt;
    const std::size_t slash = header.find('\\');
    const std::string root = NormalizeRegistryPath(header.substr(0, slash));
    if (root != "HKEY_LOCAL_MACHINE" && root != "HKLM") return std::nullopt;
    if (slash == std::string_view::npos) return std::string();
    return std::string(header.substr(slash + 1));
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

RegistryTree ParseRegistryExport(std::string_view fileBytes) {
    std::string utf8;
    if (fileBytes.starts_with("\xFF\xFE")) {
        utf8 = Utf8FromUtf16Le(fileBytes.substr(2));
    } else {
        if (fileBytes.starts_with("\xEF\xBB\xBF")) fileBytes.remove_prefix(3);
        utf8 = std::string(fileBytes);
    }
    const std::string text = Cp1251FromUtf8(utf8);

    RegistryTree tree;
    std::optional<std::string> section;
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view piece = Trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        line += piece;
        // Binary values continue on the next line after a trailing backslash.
        if (!line.empty() && line.back() == '\\' && start < text.size()) {
            line.pop_back();
            continue;
        }
        std::string_view s = line;
        if (s.size() >= 2 && s.front() == '[' && s.back() == ']') {
            section = SectionPath(s.substr(1, s.size() - 2));
            if (section) tree.AddKey(*section);
        } else if (section && !s.empty() && (s.front() == '"' || s.front() == '@')) {
            std::optional<std::string> name;
            if (s.front() == '@') {
                name = std::string();
                s.remove_prefix(1);
            } else {
                name = TakeQuoted(s);
            }
            s = Trim(s);
            if (name && !s.empty() && s.front() == '=') {
                s = Trim(s.substr(1));
                RegistryKeyData& key = tree.AddKey(*section);
                if (!s.empty() && s.front() == '"') {
                    if (std::optional<std::string> data = TakeQuoted(s))
                        tree.SetString(*section, *name, *data);
                } else if (!s.empty() && s != "-") {
                    key.values.push_back({*name, std::nullopt});
                }
            }
        }
        line.clear();
    }
    return tree;
}

std::string FormatRegistryExport(const std::vector<std::pair<std::string, std::vector<RegistryValue>>>& keys,
                                 RegistryEncoding encoding) {
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    for (const auto& [path, values] : keys) {
        text += "\r\n[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
        for (const RegistryValue& value : values) {
            if (!value.text) continue;
            text += (value.name.empty() ? std::string("@") : "\"" + Escape(value.name) + "\"") + "=\"" +
                    Escape(*value.text) + "\"\r\n";
        }
    }
    text += "\r\n";
    const std::string utf8 = Utf8FromCp1251(text);
    return encoding == RegistryEncoding::kUtf16Le ? Utf16LeFromUtf8(utf8) : utf8;
}

}  // namespace gvc
