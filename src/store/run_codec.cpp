#include "store/run_codec.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "store/field_values.h"
#include "store/run_fields.h"
#include "util/sha256.h"

namespace gvc {

namespace {

constexpr std::string_view kMagic = "GVCRUN\x01";
// A series longer than this is no series a run made (the plots keep far fewer).
constexpr std::uint64_t kMaxSeries = 10'000'000;

void PutU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void PutVarint(std::string& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Byte(std::uint8_t& b) {
        if (pos_ >= bytes_.size()) return false;
        b = static_cast<std::uint8_t>(bytes_[pos_++]);
        return true;
    }
    bool U64(std::uint64_t& v) {
        if (bytes_.size() - pos_ < 8) return false;
        v = 0;
        for (std::size_t i = 0; i < 8; ++i)
            v |= std::uint64_t{static_cast<std::uint8_t>(bytes_[pos_ + i])} << (8 * i);
        pos_ += 8;
        return true;
    }
    bool Varint(std::uint64_t& v) {
        v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            std::uint8_t b = 0;
            if (!Byte(b)) return false;
            v |= std::uint64_t{b & 0x7fu} << shift;
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
    bool Bytes(std::size_t n, std::string_view& out) {
        if (bytes_.size() - pos_ < n) return false;
        out = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    bool Peek(char c) const { return pos_ < bytes_.size() && bytes_[pos_] == c; }
    bool AtEnd() const { return pos_ == bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

class Encoder {
public:
    std::string out{kMagic};

    template <class T>
    void Int(const char* name, const T& value) {
        if (!Head(name, FieldToInt(value) != 0)) return;
        out.push_back('I');
        PutU64(out, static_cast<std::uint64_t>(FieldToInt(value)));
    }
    void Real(const char* name, const double& value) {
        Head(name, true);
        out.push_back('R');
        PutU64(out, std::bit_cast<std::uint64_t>(value));
    }
    void Text(const char* name, const std::string& value) {
        if (!Head(name, !value.empty())) return;
        Bytes('S', value);
    }
    void Series(const char* name, const std::vector<std::int32_t>& value) {
        Head(name, true);
        Bytes('B', EncodeSeries(value));
    }
    void Stamp(const char* name, const ReportTimestamp& value) { Text(name, StampText(value)); }
    template <class T>
    void OptInt(const char* name, const std::optional<T>& value) {
        if (!Head(name, value.has_value())) return;
        if (value) {
            Int(nullptr, *value);
        } else {
            out.push_back('N');
        }
    }
    void OptReal(const char* name, const double& value, const bool& present) {
        if (!Head(name, present)) return;
        if (present) {
            Real(nullptr, value);
        } else {
            out.push_back('N');
        }
    }
    void OptDate(const char* name, const std::optional<CivilDate>& value) {
        if (!Head(name, value.has_value())) return;
        if (value) {
            Bytes('S', IsoDateText(*value));
        } else {
            out.push_back('N');
        }
    }
    void Since(int) { late_ = true; }

private:
    // Fields added by a later schema version appear only when present (not
    // NULL, not 0, not empty), named, so that a row hashed before they
    // existed keeps its hash.
    bool Head(const char* name, bool present) {
        if (name == nullptr || !late_) return true;
        if (!present) return false;
        out.push_back('F');
        const std::size_t n = std::strlen(name);
        out.push_back(static_cast<char>(n));
        out.append(name, n);
        return true;
    }
    void Bytes(char tag, std::string_view value) {
        out.push_back(tag);
        PutU64(out, value.size());
        out.append(value);
    }
    bool late_ = false;
};

class Decoder {
public:
    explicit Decoder(std::string_view bytes) : in_(bytes) {}
    bool ok = true;

    template <class T>
    void Int(const char* name, T& value) {
        if (!Head(name)) return;
        std::uint8_t tag = 0;
        std::uint64_t v = 0;
        if (!in_.Byte(tag) || tag != 'I' || !in_.U64(v) || !FieldFromInt(static_cast<std::int64_t>(v), value))
            ok = false;
    }
    void Real(const char* name, double& value) {
        if (!Head(name)) return;
        std::uint8_t tag = 0;
        std::uint64_t v = 0;
        if (!in_.Byte(tag) || tag != 'R' || !in_.U64(v)) {
            ok = false;
            return;
        }
        value = std::bit_cast<double>(v);
    }
    void Text(const char* name, std::string& value) {
        if (!Head(name)) return;
        std::string_view bytes;
        if (!Bytes('S', bytes)) return;
        value.assign(bytes);
    }
    void Series(const char* name, std::vector<std::int32_t>& value) {
        if (!Head(name)) return;
        std::string_view bytes;
        if (!Bytes('B', bytes)) return;
        auto series = DecodeSeries(bytes);
        if (!series) {
            ok = false;
            return;
        }
        value = std::move(*series);
    }
    void Stamp(const char* name, ReportTimestamp& value) {
        std::string text;
        Text(name, text);
        if (!ok) return;
        const auto stamp = ParseStampText(text);
        if (!stamp) {
            ok = false;
            return;
        }
        value = *stamp;
    }
    template <class T>
    void OptInt(const char* name, std::optional<T>& value) {
        value.reset();
        if (!Head(name) || Null()) return;
        T v{};
        Int(nullptr, v);
        if (ok) value = v;
    }
    void OptReal(const char* name, double& value, bool& present) {
        present = false;
        if (!Head(name) || Null()) return;
        Real(nullptr, value);
        present = ok;
    }
    void OptDate(const char* name, std::optional<CivilDate>& value) {
        value.reset();
        if (!Head(name) || Null()) return;
        std::string_view bytes;
        if (!Bytes('S', bytes)) return;
        const auto date = ParseIsoDate(bytes);
        if (!date) {
            ok = false;
            return;
        }
        value = *date;
    }
    void Since(int) { late_ = true; }
    bool AtEnd() const { return in_.AtEnd(); }

private:
    // False when the field is not there (a later field that was absent) or
    // the bytes are already bad.
    bool Head(const char* name) {
        if (!ok) return false;
        if (name == nullptr || !late_) return true;
        if (!in_.Peek('F')) return false;
        Reader probe = in_;
        std::uint8_t skip = 0, n = 0;
        std::string_view got;
        if (!probe.Byte(skip) || !probe.Byte(n) || !probe.Bytes(n, got)) {
            ok = false;
            return false;
        }
        if (got != name) return false;  // absent; a later field follows
        in_ = probe;
        return true;
    }
    bool Null() {
        if (!in_.Peek('N')) return false;
        std::uint8_t tag = 0;
        in_.Byte(tag);
        return true;
    }
    bool Bytes(char tag, std::string_view& out) {
        std::uint8_t got = 0;
        std::uint64_t n = 0;
        if (!in_.Byte(got) || got != static_cast<std::uint8_t>(tag) || !in_.U64(n) || n > (1u << 30) ||
            !in_.Bytes(static_cast<std::size_t>(n), out))
            ok = false;
        return ok;
    }
    Reader in_;
    bool late_ = false;
};

}  // namespace

std::string StampText(const ReportTimestamp& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::optional<ReportTimestamp> ParseStampText(std::string_view text) {
    if (text.size() != 19 || text[10] != ' ' || text[13] != ':' || text[16] != ':') return std::nullopt;
    const auto date = ParseIsoDate(text.substr(0, 10));
    if (!date) return std::nullopt;
    auto two = [&](std::size_t at, int max, int& out) {
        const char a = text[at], b = text[at + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9') return false;
        out = (a - '0') * 10 + (b - '0');
        return out <= max;
    };
    ReportTimestamp t;
    t.year = date->year;
    t.month = date->month;
    t.day = date->day;
    if (!two(11, 23, t.hour) || !two(14, 59, t.minute) || !two(17, 60, t.second)) return std::nullopt;
    return t;
}

std::string EncodeSeries(const std::vector<std::int32_t>& series) {
    std::string out;
    out.reserve(series.size() * 2 + 4);
    PutVarint(out, series.size());
    std::int64_t last = 0;
    for (const std::int32_t v : series) {
        const std::int64_t delta = std::int64_t{v} - last;
        PutVarint(out, (static_cast<std::uint64_t>(delta) << 1) ^ static_cast<std::uint64_t>(delta >> 63));
        last = v;
    }
    return out;
}

std::optional<std::vector<std::int32_t>> DecodeSeries(std::string_view blob) {
    Reader in(blob);
    std::uint64_t count = 0;
    if (!in.Varint(count) || count > kMaxSeries || count > blob.size()) return std::nullopt;
    std::vector<std::int32_t> series;
    series.reserve(static_cast<std::size_t>(count));
    std::int64_t last = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t z = 0;
        if (!in.Varint(z)) return std::nullopt;
        const std::int64_t delta = static_cast<std::int64_t>(z >> 1) ^ -static_cast<std::int64_t>(z & 1);
        if (delta > (std::int64_t{1} << 33) || delta < -(std::int64_t{1} << 33)) return std::nullopt;
        const std::int64_t v = last + delta;
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        series.push_back(static_cast<std::int32_t>(v));
        last = v;
    }
    if (!in.AtEnd()) return std::nullopt;
    return series;
}

std::string EncodeRun(const RunRecord& run, const std::optional<CivilDate>& endOfUse) {
    Encoder e;
    RunRecord copy = run;
    std::optional<CivilDate> end = endOfUse;
    VisitRunFields(e, copy, end);
    return std::move(e.out);
}

std::optional<DecodedRun> DecodeRun(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    Decoder d(bytes.substr(kMagic.size()));
    DecodedRun out;
    VisitRunFields(d, out.run, out.endOfUse);
    if (!d.ok || !d.AtEnd()) return std::nullopt;
    return out;
}

std::string ChainHash(std::string_view canonical, std::string_view prevHash) {
    Sha256 hash;
    hash.Update(canonical);
    hash.Update(prevHash);
    return HexText(hash.Finish());
}

}  // namespace gvc
