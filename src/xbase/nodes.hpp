// NODES: the compiled form of an expression, a tree of nodes that evaluate themselves, and the
// per-runtime evaluator state (compile cache, probe mode).
//
// A tree is built once by the parser and never changes shape. Nodes that look something up
// by name keep what they found (a field position with the identity of the table it belongs
// to, a function id found late) in mutable caches; a cache is only trusted while what it was
// taken from is unchanged. Block parameters are slots of an Env; a block captures the Env of
// the block that created it, so nested blocks see their outer parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/runtime.hpp"
#include "xbase/lexer.hpp"
#include "xbase/xbase.hpp"

namespace xb::xbase {

namespace detail {
struct EvalState;
class Node;
}  // namespace detail

// An immutable compiled expression. Built by the parser; shared by the compile cache, the
// blocks made from it and whoever asked for it.
class Compiled : public std::enable_shared_from_this<Compiled> {
public:
    const std::string& text() const { return text_; }
    const detail::Node& root() const { return *root_; }

    std::string text_;
    std::vector<std::unique_ptr<detail::Node>> nodes_;
    detail::Node* root_ = nullptr;
    // True when evaluating the text calls a function not known to be free of side effects
    // (calls inside code block literals do not count: making a block calls nothing).
    bool impure_ = false;
    detail::EvalState* state_ = nullptr;
};

namespace detail {

struct Env {
    std::shared_ptr<Env> parent;
    std::vector<rt::Value> slots;
};

struct Ctx {
    rt::Runtime& rt;
    EvalState& st;
    std::shared_ptr<Env> env;  // parameters of the running block; null outside blocks
    const Compiled* unit;
};

// Reads a target once, computes the new value from the old, stores it; returns what the
// operator yields (the new value, or the old one for postfix ++/--).
struct Updater {
    virtual ~Updater() = default;
    virtual rt::Value apply(Ctx& c, const rt::Value& old) = 0;
    rt::Value result;
};

class Node {
public:
    explicit Node(std::uint32_t pos) : pos_(pos) {}
    virtual ~Node() = default;
    virtual rt::Value eval(Ctx& c) const = 0;
    virtual bool assignable() const { return false; }
    virtual rt::Value assign(Ctx& c, rt::Value v) const;
    // Read-modify-write; the default reads with eval() and writes with assign().
    virtual void update(Ctx& c, Updater& u) const;
    // Storage for a by-reference argument (@name); null when the node has none.
    virtual rt::Value* reference(Ctx& /*c*/) const { return nullptr; }
    // For the parser: an IF()/IIF() special form, a block literal ...
    virtual bool isBlockLiteral() const { return false; }
    std::uint32_t pos() const { return pos_; }

private:
    std::uint32_t pos_;
};

// Compiled texts keyed by text. Entries that failed keep their syntax error, so evaluating
// such a text again raises the same error without parsing again.
struct CacheEntry {
    std::shared_ptr<const Compiled> unit;
    SyntaxError error;
};

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};

struct EvalState {
    static const int kTag;
    explicit EvalState(rt::Runtime& r) : rt(r) {}
    rt::Runtime& rt;
    std::unordered_map<std::string, CacheEntry, StringHash, std::equal_to<>> cache;
    std::size_t cacheBytes = 0;
    bool probing = false;  // inside typeOf(): an impure macro ends the probe with "UI"

    // The entry for a text, compiling it on a miss.
    const CacheEntry& lookup(std::string_view text);
};

EvalState& state(rt::Runtime& rt);

// Raises the recursion limit (as a break, like Runtime::DepthGuard) when the stack is close
// to its end, whatever the nesting counters say: deep trees inside deep recursion.
void checkStack();

// Raises the syntax error of a failed entry; returns the handler's substitute (NIL default).
rt::Value raiseSyntax(rt::Runtime& rt, std::string_view text, const SyntaxError& e);

// Parses a text into a tree (no caching); on failure fills err and returns null.
std::shared_ptr<Compiled> parseText(rt::Runtime& rt, std::string_view text, SyntaxError& err);

// Thrown in probe mode when the type needs an impure call.
struct ProbeIndeterminate {};

}  // namespace detail
}  // namespace xb::xbase
