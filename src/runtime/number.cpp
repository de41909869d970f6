#include "runtime/number.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace xb::rt {

namespace {
// Digits and decimal exponent of |v| at 15 significant digits: |v| = 0.d1d2...d15 * 10^exp.
struct Decimal {
    std::string digits;  // without leading zeros; empty for zero
    int exp = 0;
};

Decimal decimalOf(double v) {
    Decimal d;
    double a = std::fabs(v);
    if (a == 0 || !std::isfinite(a)) return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", a);  // d.dddddddddddddde+XX
    std::string mant;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p) {
        if (*p != '.') mant.push_back(*p);
    }
    int e = std::atoi(p + 1);
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    d.digits = mant;
    d.exp = e + 1;
    return d;
}

// Rounds the decimal to `decimals` places after the point, half away from zero; returns the
// integer part digits and the fraction digits (exactly `decimals` of them, or none).
void roundDecimal(const Decimal& d, int decimals, std::string& intPart, std::string& frac) {
    // Place digits on a fixed grid: position i (0-based) has weight 10^(exp-1-i).
    int keep = d.exp + decimals;  // how many leading digits survive
    std::string digits = d.digits;
    if (keep < 0) {
        digits.clear();
        keep = 0;
    } else if (static_cast<int>(digits.size()) > keep) {
        bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[static_cast<std::size_t>(i)] == '9') {
                    digits[static_cast<std::size_t>(i)] = '0';
                } else {
                    ++digits[static_cast<std::size_t>(i)];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++keep;
            }
        }
    }
    // A carry out of the first digit added one integer place (keep grew with it).
    int exp = keep - decimals;
    digits.resize(static_cast<std::size_t>(keep), '0');
    if (exp > 0) {
        intPart = digits.substr(0, static_cast<std::size_t>(exp));
        frac = digits.substr(static_cast<std::size_t>(exp));
    } else {
        intPart.clear();
        frac = std::string(static_cast<std::size_t>(-exp), '0') + digits;
        if (frac.size() > static_cast<std::size_t>(decimals > 0 ? decimals : 0)) {
            frac.resize(static_cast<std::size_t>(decimals > 0 ? decimals : 0));
        }
    }
    std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string("0") : intPart.substr(nz);
    if (decimals <= 0) frac.clear();
}

bool allZero(const std::string& a, const std::string& b) {
    return a.find_first_not_of('0') == std::string::npos &&
           b.find_first_not_of('0') == std::string::npos;
}
}  // namespace

std::string plainNumber(double v, int decimals) {
    if (!std::isfinite(v)) return v != v ? "NaN" : (v < 0 ? "-Inf" : "Inf");
    if (decimals < 0) decimals = 0;
    std::string ip, fr;
    roundDecimal(decimalOf(v), decimals, ip, fr);
    std::string s;
    if (v < 0 && !allZero(ip, fr)) s.push_back('-');
    s += ip;
    if (decimals > 0) {
        s.push_back('.');
        s += fr;
    }
    return s;
}

double roundHalfAway(double v, int decimals) {
    if (!std::isfinite(v) || v == 0) return v;
    if (decimals < 0) {
        double p = std::pow(10.0, -decimals);
        return roundHalfAway(v / p, 0) * p;
    }
    return std::strtod(plainNumber(v, decimals).c_str(), nullptr);
}

std::string formatNumber(double v, int width, int decimals) {
    if (width <= 0) return std::string();
    std::string s = std::isfinite(v) ? plainNumber(v, decimals) : std::string();
    if (s.empty() || static_cast<int>(s.size()) > width) {
        return std::string(static_cast<std::size_t>(width), '*');
    }
    return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

std::string formatNumber(const Value::Number& n) { return formatNumber(n.v, n.width, n.decimals); }

}  // namespace xb::rt
