// VALUE: the dynamically typed xBase value and its reference types.
//
// Scalars (character, memo, number, date, logical) live inline; arrays, hashes, code blocks
// and objects are shared references, so assigning an array shares it as the language does.
// Invariants: a memo is a character string with a memo mark (ValType gives "M"); a number
// keeps the display width and decimals that Str() prints it with; a date is a Julian day
// number and 0 is the empty date.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace xb::rt {

class Runtime;
struct Array;
class Hash;
class Block;
class Object;

class Value {
public:
    enum class Type : std::uint8_t {
        Nil,
        Character,
        Memo,
        Number,
        Date,
        Logical,
        Array,
        Hash,
        Block,
        Object
    };
    // width is the total width Str() prints without a length argument (sign, integer digits,
    // point and decimals); decimals the digits after the point.
    struct Number {
        double v;
        std::int16_t width;
        std::int16_t decimals;
    };
    struct Date {
        std::int32_t julian;
    };

    Value() noexcept = default;
    Value(std::nullptr_t) noexcept {}
    Value(bool b) noexcept : type_(Type::Logical), v_(b) {}
    Value(std::string s) : type_(Type::Character), v_(std::move(s)) {}
    Value(std::string_view s) : type_(Type::Character), v_(std::string(s)) {}
    Value(const char* s) : type_(Type::Character), v_(std::string(s)) {}
    Value(Number n) noexcept : type_(Type::Number), v_(n) {}
    Value(Date d) noexcept : type_(Type::Date), v_(d) {}
    Value(std::shared_ptr<Array> a) : type_(Type::Array), v_(std::move(a)) {}
    Value(std::shared_ptr<Hash> h) : type_(Type::Hash), v_(std::move(h)) {}
    Value(std::shared_ptr<Block> b) : type_(Type::Block), v_(std::move(b)) {}
    Value(std::shared_ptr<Object> o) : type_(Type::Object), v_(std::move(o)) {}

    // Numbers: an integer-valued number gets width 10 (more when it needs more digits) and no
    // decimals; a number with decimals gets the classic computed width of 10 integer places.
    static Value integer(double v);
    static Value number(double v, int width, int decimals);
    static Value number(double v, int decimals);
    static Value memo(std::string s);
    static Value date(std::int32_t julian) { return Value(Date{julian}); }
    static Value newArray(std::size_t n = 0);
    static Value newArray(std::vector<Value> items);
    static Value newHash();

    Type type() const noexcept { return type_; }
    bool isNil() const noexcept { return type_ == Type::Nil; }
    bool isString() const noexcept { return type_ == Type::Character || type_ == Type::Memo; }
    bool isMemo() const noexcept { return type_ == Type::Memo; }
    bool isNumber() const noexcept { return type_ == Type::Number; }
    bool isDate() const noexcept { return type_ == Type::Date; }
    bool isLogical() const noexcept { return type_ == Type::Logical; }
    bool isArray() const noexcept { return type_ == Type::Array; }
    bool isHash() const noexcept { return type_ == Type::Hash; }
    bool isBlock() const noexcept { return type_ == Type::Block; }
    bool isObject() const noexcept { return type_ == Type::Object; }

    // Accessors assert the type: check type() first.
    const std::string& str() const;
    std::string& strMut();
    const Number& num() const;
    double numVal() const { return num().v; }
    std::int32_t julian() const;
    bool logical() const;
    Array& array() const;
    Hash& hash() const;
    Block& block() const;
    Object& object() const;
    const std::shared_ptr<Array>& arrayPtr() const;
    const std::shared_ptr<Block>& blockPtr() const;
    const std::shared_ptr<Object>& objectPtr() const;

    // The ValType() letter: "C", "M", "N", "D", "L", "A", "H", "B", "O" or "U".
    char typeLetter() const noexcept;

    // The same object for reference types, equal contents for scalars (type-exact: a memo and
    // a character string with the same bytes are equal here).
    bool identical(const Value& other) const noexcept;

private:
    Type type_ = Type::Nil;
    std::variant<std::monostate, std::string, Number, Date, bool, std::shared_ptr<Array>,
                 std::shared_ptr<Hash>, std::shared_ptr<Block>, std::shared_ptr<Object>>
        v_;
};

struct Array {
    std::vector<Value> items;
};

// A hash keeps its pairs in insertion order. Keys are scalars (character, number, date,
// logical); character keys compare bytewise, so "a" and "A" are different keys.
class Hash {
public:
    std::size_t size() const noexcept { return pairs_.size(); }
    // Position (0-based) of a key, or npos.
    std::size_t find(const Value& key) const;
    Value* get(const Value& key);
    // Inserts at the end or replaces in place; false when the key is not a scalar.
    bool set(const Value& key, Value v);
    bool erase(const Value& key);
    const std::pair<Value, Value>& at(std::size_t i) const { return pairs_[i]; }
    std::pair<Value, Value>& at(std::size_t i) { return pairs_[i]; }
    void clear() {
        pairs_.clear();
        index_.clear();
    }
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    static bool validKey(const Value& key) noexcept;

private:
    static std::string keyOf(const Value& key);
    std::vector<std::pair<Value, Value>> pairs_;
    std::unordered_map<std::string, std::size_t> index_;
};

// A code block: compiled from text by the expression layer, or native (a C++ callable).
class Block {
public:
    virtual ~Block() = default;
    virtual Value call(Runtime& rt, std::span<const Value> args) = 0;
    // The source text as written, "{|a| a + 1}"; native blocks give "{||...}".
    virtual std::string text() const { return "{||...}"; }
};

namespace detail {
template <class F>
class FunctorBlock final : public Block {
public:
    explicit FunctorBlock(F fn) : f_(std::move(fn)) {}
    Value call(Runtime& rt, std::span<const Value> args) override { return f_(rt, args); }

private:
    F f_;
};
}  // namespace detail

// A native block around a callable taking (Runtime&, std::span<const Value>) -> Value.
template <class F>
std::shared_ptr<Block> nativeBlock(F f) {
    return std::make_shared<detail::FunctorBlock<F>>(std::move(f));
}

// An object answers messages; an assignment `o:p := v` arrives as the message "_P".
class Object {
public:
    virtual ~Object() = default;
    virtual std::string className() const = 0;
    // Sends `message` (upper case) with arguments; false when the object has no such message.
    virtual bool send(Runtime& rt, std::string_view message, std::span<const Value> args,
                      Value& result) = 0;
};

// The canonical text of a value, as `xbtool eval` prints it.
std::string repr(const Value& v);

}  // namespace xb::rt
