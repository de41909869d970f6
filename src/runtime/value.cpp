#include "runtime/value.hpp"

#include <cmath>
#include <cstdio>

#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "runtime/runtime.hpp"

namespace xb::rt {

namespace {
int integerWidth(double v) {
    double a = std::fabs(v);
    int digits = 1;
    while (a >= 10.0 && digits < 40) {
        a /= 10.0;
        ++digits;
    }
    return digits + (v < 0 ? 1 : 0);
}
}  // namespace

Value Value::integer(double v) {
    int w = integerWidth(v);
    return Value(Number{v, static_cast<std::int16_t>(w > 10 ? w : 10), 0});
}

Value Value::number(double v, int width, int decimals) {
    return Value(Number{v, static_cast<std::int16_t>(width), static_cast<std::int16_t>(decimals)});
}

Value Value::number(double v, int decimals) {
    if (decimals <= 0) return integer(v);
    int w = integerWidth(v);
    if (w < 10) w = 10;
    return number(v, w + decimals + 1, decimals);
}

Value Value::memo(std::string s) {
    Value r(std::move(s));
    r.type_ = Type::Memo;
    return r;
}

Value Value::newArray(std::size_t n) {
    auto a = std::make_shared<Array>();
    a->items.resize(n);
    return Value(std::move(a));
}

Value Value::newArray(std::vector<Value> items) {
    auto a = std::make_shared<Array>();
    a->items = std::move(items);
    return Value(std::move(a));
}

Value Value::newHash() { return Value(std::make_shared<Hash>()); }

const std::string& Value::str() const {
    XB_ASSERT(isString());
    return std::get<std::string>(v_);
}
std::string& Value::strMut() {
    XB_ASSERT(isString());
    return std::get<std::string>(v_);
}
const Value::Number& Value::num() const {
    XB_ASSERT(isNumber());
    return std::get<Number>(v_);
}
std::int32_t Value::julian() const {
    XB_ASSERT(isDate());
    return std::get<Date>(v_).julian;
}
bool Value::logical() const {
    XB_ASSERT(isLogical());
    return std::get<bool>(v_);
}
Array& Value::array() const {
    XB_ASSERT(isArray());
    return *std::get<std::shared_ptr<Array>>(v_);
}
Hash& Value::hash() const {
    XB_ASSERT(isHash());
    return *std::get<std::shared_ptr<Hash>>(v_);
}
Block& Value::block() const {
    XB_ASSERT(isBlock());
    return *std::get<std::shared_ptr<Block>>(v_);
}
Object& Value::object() const {
    XB_ASSERT(isObject());
    return *std::get<std::shared_ptr<Object>>(v_);
}
const std::shared_ptr<Array>& Value::arrayPtr() const {
    XB_ASSERT(isArray());
    return std::get<std::shared_ptr<Array>>(v_);
}
const std::shared_ptr<Block>& Value::blockPtr() const {
    XB_ASSERT(isBlock());
    return std::get<std::shared_ptr<Block>>(v_);
}
const std::shared_ptr<Object>& Value::objectPtr() const {
    XB_ASSERT(isObject());
    return std::get<std::shared_ptr<Object>>(v_);
}

char Value::typeLetter() const noexcept {
    switch (type_) {
        case Type::Nil:
            return 'U';
        case Type::Character:
            return 'C';
        case Type::Memo:
            return 'M';
        case Type::Number:
            return 'N';
        case Type::Date:
            return 'D';
        case Type::Logical:
            return 'L';
        case Type::Array:
            return 'A';
        case Type::Hash:
            return 'H';
        case Type::Block:
            return 'B';
        case Type::Object:
            return 'O';
    }
    return 'U';
}

bool Value::identical(const Value& o) const noexcept {
    if (type_ != o.type_) return false;
    switch (type_) {
        case Type::Nil:
            return true;
        case Type::Character:
        case Type::Memo:
            return std::get<std::string>(v_) == std::get<std::string>(o.v_);
        case Type::Number:
            return std::get<Number>(v_).v == std::get<Number>(o.v_).v;
        case Type::Date:
            return std::get<Date>(v_).julian == std::get<Date>(o.v_).julian;
        case Type::Logical:
            return std::get<bool>(v_) == std::get<bool>(o.v_);
        case Type::Array:
            return std::get<std::shared_ptr<Array>>(v_) == std::get<std::shared_ptr<Array>>(o.v_);
        case Type::Hash:
            return std::get<std::shared_ptr<Hash>>(v_) == std::get<std::shared_ptr<Hash>>(o.v_);
        case Type::Block:
            return std::get<std::shared_ptr<Block>>(v_) == std::get<std::shared_ptr<Block>>(o.v_);
        case Type::Object:
            return std::get<std::shared_ptr<Object>>(v_) == std::get<std::shared_ptr<Object>>(o.v_);
    }
    return false;
}

// --- Hash ---

bool Hash::validKey(const Value& key) noexcept {
    return key.isString() || key.isNumber() || key.isDate() || key.isLogical();
}

std::string Hash::keyOf(const Value& key) {
    std::string k;
    if (key.isString()) {
        k.reserve(key.str().size() + 1);
        k.push_back('C');
        k += key.str();
    } else if (key.isNumber()) {
        double d = key.numVal();
        if (d == 0) d = 0;  // -0 and 0 are one key
        k.push_back('N');
        k.append(reinterpret_cast<const char*>(&d), sizeof d);
    } else if (key.isDate()) {
        std::int32_t j = key.julian();
        k.push_back('D');
        k.append(reinterpret_cast<const char*>(&j), sizeof j);
    } else if (key.isLogical()) {
        k = key.logical() ? "LT" : "LF";
    }
    return k;
}

std::size_t Hash::find(const Value& key) const {
    if (!validKey(key)) return npos;
    auto it = index_.find(keyOf(key));
    return it == index_.end() ? npos : it->second;
}

Value* Hash::get(const Value& key) {
    std::size_t i = find(key);
    return i == npos ? nullptr : &pairs_[i].second;
}

bool Hash::set(const Value& key, Value v) {
    if (!validKey(key)) return false;
    auto [it, inserted] = index_.try_emplace(keyOf(key), pairs_.size());
    if (inserted) {
        pairs_.emplace_back(key, std::move(v));
    } else {
        pairs_[it->second].second = std::move(v);
    }
    return true;
}

bool Hash::erase(const Value& key) {
    std::size_t i = find(key);
    if (i == npos) return false;
    index_.erase(keyOf(key));
    pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>(i));
    for (auto& [k, pos] : index_) {
        if (pos > i) --pos;
    }
    return true;
}

// --- canonical form ---

namespace {
void reprInto(const Value& v, std::string& out, int depth) {
    if (depth > 64) {
        out += "...";
        return;
    }
    switch (v.type()) {
        case Value::Type::Nil:
            out += "NIL";
            break;
        case Value::Type::Character:
        case Value::Type::Memo:
            out.push_back('"');
            for (unsigned char c : v.str()) {
                if (c == '"' || c == '\\') {
                    out.push_back('\\');
                    out.push_back(static_cast<char>(c));
                } else if (c < 0x20 || c > 0x7E) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
            }
            out.push_back('"');
            break;
        case Value::Type::Number: {
            std::string s = formatNumber(v.num());
            std::size_t b = s.find_first_not_of(' ');
            out += b == std::string::npos ? std::string() : s.substr(b);
            break;
        }
        case Value::Type::Date: {
            std::int32_t j = v.julian();
            out += "0d";
            out += j == 0 ? std::string("00000000") : dtos(j);
            break;
        }
        case Value::Type::Logical:
            out += v.logical() ? ".T." : ".F.";
            break;
        case Value::Type::Array: {
            out.push_back('{');
            bool first = true;
            for (const Value& e : v.array().items) {
                if (!first) out += ", ";
                first = false;
                reprInto(e, out, depth + 1);
            }
            out.push_back('}');
            break;
        }
        case Value::Type::Hash: {
            const Hash& h = v.hash();
            if (h.size() == 0) {
                out += "{=>}";
                break;
            }
            out.push_back('{');
            for (std::size_t i = 0; i < h.size(); ++i) {
                if (i) out += ", ";
                reprInto(h.at(i).first, out, depth + 1);
                out += " => ";
                reprInto(h.at(i).second, out, depth + 1);
            }
            out.push_back('}');
            break;
        }
        case Value::Type::Block:
            out += v.block().text();
            break;
        case Value::Type::Object:
            out += "<object ";
            out += v.object().className();
            out += ">";
            break;
    }
}
}  // namespace

std::string repr(const Value& v) {
    std::string out;
    reprInto(v, out, 0);
    return out;
}

}  // namespace xb::rt
