#include "table/dbf.hpp"

#include <cctype>
#include <cmath>
#include <cstring>

#include "runtime/date.hpp"
#include "runtime/number.hpp"

namespace xb::table {

namespace {
std::uint32_t le32(const char* p) {
    auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}
int le16(const char* p) {
    auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8);
}
void put32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(char* p, int v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}
}  // namespace

MemoKind DbfHeader::memoKind() const {
    switch (version) {
        case 0x83:
        case 0x8B:
            return MemoKind::Dbt;
        case 0xF5:
        case 0x30:
            return MemoKind::Fpt;
        default:
            return hasMemoField() ? MemoKind::Dbt : MemoKind::None;
    }
}

bool DbfHeader::hasMemoField() const {
    for (const auto& f : fields)
        if (f.type == 'M') return true;
    return false;
}

std::optional<std::string> parseHeader(std::string_view b, DbfHeader& h) {
    if (b.size() < 32) return "header too short";
    const char* p = b.data();
    h.version = static_cast<std::uint8_t>(p[0]);
    h.year = 1900 + static_cast<unsigned char>(p[1]);
    h.month = static_cast<unsigned char>(p[2]);
    h.day = static_cast<unsigned char>(p[3]);
    h.count = le32(p + 4);
    h.headerLen = le16(p + 8);
    h.recLen = le16(p + 10);
    if (h.headerLen < 33 || h.recLen < 1) return "bad header or record length";
    if (b.size() < static_cast<std::size_t>(h.headerLen)) return "header truncated";
    h.fields.clear();
    int offset = 1;
    for (int pos = 32; pos + 32 <= h.headerLen; pos += 32) {
        if (p[pos] == 0x0D) break;
        Field f;
        const char* d = p + pos;
        std::size_t n = 0;
        while (n < 11 && d[n] != 0) ++n;
        f.name.assign(d, n);
        while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
        for (auto& c : f.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(d[11])));
        if (f.type == 'F') f.type = 'N';
        f.len = static_cast<unsigned char>(d[16]);
        f.dec = static_cast<unsigned char>(d[17]);
        if (f.type == 'C') {
            f.len += f.dec * 256;
            f.dec = 0;
        }
        if (f.len == 0) return "field " + f.name + " has length 0";
        // A date is always read as its 8 digits: any other length is a damaged header.
        if (f.type == 'D' && f.len != 8) return "date field " + f.name + " is not 8 long";
        f.offset = offset;
        offset += f.len;
        h.fields.push_back(std::move(f));
    }
    if (h.fields.empty()) return "no fields";
    if (offset > h.recLen) return "fields longer than the record";
    return std::nullopt;
}

std::optional<std::string> layoutFields(std::vector<Field>& fields, int& recLen) {
    int offset = 1;
    if (fields.empty()) return "no fields";
    for (auto& f : fields) {
        for (auto& c : f.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (f.name.empty() || f.name.size() > 10) return "bad field name '" + f.name + "'";
        if (f.type == 'F') f.type = 'N';
        switch (f.type) {
            case 'C':
                if (f.len < 1 || f.len > 65535) return "bad length of field " + f.name;
                f.dec = 0;
                break;
            case 'N':
                if (f.len < 1 || f.len > 20 || f.dec < 0 || (f.dec > 0 && f.dec > f.len - 2))
                    return "bad length of field " + f.name;
                break;
            case 'D':
                f.len = 8, f.dec = 0;
                break;
            case 'L':
                f.len = 1, f.dec = 0;
                break;
            case 'M':
                f.len = 10, f.dec = 0;
                break;
            default:
                return "bad type of field " + f.name;
        }
        for (const auto& g : fields) {
            if (&g == &f) break;
            if (g.name == f.name) return "duplicate field " + f.name;
        }
        f.offset = offset;
        offset += f.len;
    }
    if (offset > 65535) return "record too long";
    recLen = offset;
    return std::nullopt;
}

void patchHeaderPrefix(const DbfHeader& h, char* p) {
    p[1] = static_cast<char>(h.year >= 1900 ? (h.year - 1900) & 0xFF : 0);
    p[2] = static_cast<char>(h.month);
    p[3] = static_cast<char>(h.day);
    put32(p + 4, h.count);
}

std::string buildHeader(const DbfHeader& h) {
    std::string b(static_cast<std::size_t>(32 + 32 * h.fields.size() + 1), '\0');
    b[0] = static_cast<char>(h.version);
    patchHeaderPrefix(h, b.data());
    put16(b.data() + 8, static_cast<int>(b.size()));
    put16(b.data() + 10, h.recLen);
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const Field& f = h.fields[i];
        char* d = b.data() + 32 + 32 * i;
        std::memcpy(d, f.name.data(), std::min<std::size_t>(f.name.size(), 10));
        d[11] = f.type;
        if (f.type == 'C') {
            d[16] = static_cast<char>(f.len & 0xFF);
            d[17] = static_cast<char>((f.len >> 8) & 0xFF);
        } else {
            d[16] = static_cast<char>(f.len);
            d[17] = static_cast<char>(f.dec);
        }
    }
    b.back() = 0x0D;
    return b;
}

double parseNumber(const char* p, int len) noexcept {
    int i = 0;
    while (i < len && p[i] == ' ') ++i;
    bool neg = false;
    if (i < len && (p[i] == '-' || p[i] == '+')) neg = p[i++] == '-';
    std::int64_t mant = 0;
    int decimals = 0, digits = 0;
    bool point = false;
    double big = 0;  // beyond 18 digits
    for (; i < len; ++i) {
        char c = p[i];
        if (c >= '0' && c <= '9') {
            if (digits < 18) {
                mant = mant * 10 + (c - '0');
            } else {
                if (big == 0) big = static_cast<double>(mant);
                big = big * 10 + (c - '0');
            }
            ++digits;
            if (point) ++decimals;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double v = big != 0 ? big : static_cast<double>(mant);
    if (decimals > 0) v = decimals <= 22 ? v / kPow10[decimals] : v / std::pow(10.0, decimals);
    return neg ? -v : v;
}

void decodeField(const Field& f, const char* p, rt::Value& out) {
    switch (f.type) {
        case 'N':
            out = rt::Value::number(parseNumber(p, f.len), f.len, f.dec);
            return;
        case 'D':
            out = rt::Value::date(rt::stod(std::string_view(p, 8)));
            return;
        case 'L':
            out = rt::Value(p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y');
            return;
        default:
            if (out.type() == rt::Value::Type::Character) {
                out.strMut().assign(p, static_cast<std::size_t>(f.len));
            } else {
                out = rt::Value(std::string(p, static_cast<std::size_t>(f.len)));
            }
            return;
    }
}

namespace {
// Str(v, len, dec) for the common case, without going through text formatting: v scaled to
// integer units well inside the exact range and not near a rounding tie (where the decimal
// text decides). Returns false to leave the value to rt::formatNumber.
bool fastNumber(double v, int len, int dec, char* p) {
    static const double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    static const std::int64_t kUnits[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};
    if (dec < 0 || dec > 9 || !std::isfinite(v)) return false;
    double a = std::fabs(v * kScale[dec]);
    if (a >= 1e12) return false;
    double whole = std::floor(a);
    double frac = a - whole;
    if (std::fabs(frac - 0.5) < 1e-4) return false;
    auto units = static_cast<std::int64_t>(frac > 0.5 ? whole + 1 : whole);
    bool neg = v < 0 && units != 0;
    char buf[40];
    int k = 40;
    std::int64_t ip = units / kUnits[dec], fp = units % kUnits[dec];
    for (int i = 0; i < dec; ++i, fp /= 10) buf[--k] = static_cast<char>('0' + fp % 10);
    if (dec > 0) buf[--k] = '.';
    do {
        buf[--k] = static_cast<char>('0' + ip % 10);
        ip /= 10;
    } while (ip > 0);
    if (neg) buf[--k] = '-';
    int width = 40 - k;
    if (width > len) return false;
    std::memset(p, ' ', static_cast<std::size_t>(len - width));
    std::memcpy(p + (len - width), buf + k, static_cast<std::size_t>(width));
    return true;
}
}  // namespace

bool encodeField(const Field& f, const rt::Value& v, char* p, bool& overflow) {
    overflow = false;
    const auto n = static_cast<std::size_t>(f.len);
    switch (f.type) {
        case 'N': {
            if (!v.isNumber()) return false;
            if (fastNumber(v.numVal(), f.len, f.dec, p)) return true;
            std::string s = rt::formatNumber(v.numVal(), f.len, f.dec);
            if (s.size() != n || s[0] == '*') {
                overflow = true;
                return true;
            }
            std::memcpy(p, s.data(), n);
            return true;
        }
        case 'D': {
            if (!v.isDate()) return false;
            rt::Ymd d = rt::ymdOf(v.julian());
            if (v.julian() <= 0 || d.year < 0 || d.year > 9999) {
                std::memset(p, ' ', 8);
                return true;
            }
            int parts[] = {d.year / 1000, d.year / 100 % 10, d.year / 10 % 10, d.year % 10,
                           d.month / 10,  d.month % 10,      d.day / 10,       d.day % 10};
            for (int i = 0; i < 8; ++i) p[i] = static_cast<char>('0' + parts[i]);
            return true;
        }
        case 'L':
            if (!v.isLogical()) return false;
            p[0] = v.logical() ? 'T' : 'F';
            return true;
        case 'M':
            return v.isString();
        default: {
            if (!v.isString()) return false;
            const std::string& s = v.str();
            std::size_t k = std::min(n, s.size());
            std::memcpy(p, s.data(), k);
            std::memset(p + k, ' ', n - k);
            return true;
        }
    }
}

std::uint32_t memoBlockOf(const char* p, int len) noexcept {
    if (len == 4) return le32(p);  // binary pointers of later formats
    std::uint64_t v = 0;
    for (int i = 0; i < len; ++i) {
        char c = p[i];
        if (c >= '0' && c <= '9') {
            v = v * 10 + static_cast<unsigned>(c - '0');
            if (v > 0xFFFFFFFFu) return 0;
        } else if (c != ' ' && c != '\0') {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(v);
}

void setMemoBlock(char* p, int len, std::uint32_t block) {
    if (len == 4) {
        put32(p, block);
        return;
    }
    std::memset(p, ' ', static_cast<std::size_t>(len));
    if (block == 0) return;
    char buf[16];
    int k = 0;
    while (block > 0 && k < 16) {
        buf[k++] = static_cast<char>('0' + block % 10);
        block /= 10;
    }
    for (int i = 0; i < k && i < len; ++i) p[len - 1 - i] = buf[i];
}

}  // namespace xb::table
