// TREE: the node kinds of a compiled expression. The parser builds them; each evaluates
// itself against a Ctx. Child pointers refer to nodes owned by the same Compiled.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xbase/nodes.hpp"

namespace xb::xbase::detail {

using rt::Value;

class Literal final : public Node {
public:
    Literal(std::uint32_t pos, Value v) : Node(pos), v_(std::move(v)) {}
    Value eval(Ctx&) const override { return v_; }

private:
    Value v_;
};

// A block parameter: `up` Envs outwards (counting only blocks with parameters), slot `index`.
class LocalVar final : public Node {
public:
    LocalVar(std::uint32_t pos, int up, int index) : Node(pos), up_(up), index_(index) {}
    Value eval(Ctx& c) const override { return *slot(c); }
    bool assignable() const override { return true; }
    Value assign(Ctx& c, Value v) const override;
    Value* reference(Ctx& c) const override { return slot(c); }

private:
    Value* slot(Ctx& c) const;
    int up_, index_;
};

// Where a field was found last time: valid while the area shows the same table (area 0,
// the current one, for unqualified names: the table identity alone tells tables apart).
struct FieldCache {
    const void* identity = nullptr;
    int area = -1;
    int index = 0;
};

// What NameNode and MemvarNode share: the variable's symbol and name, and assignment and
// reference, which always go to the memory variable (a bare name never assigns a field).
class VarNode : public Node {
public:
    VarNode(std::uint32_t pos, rt::Symbol sym, std::string name)
        : Node(pos), sym_(sym), name_(std::move(name)) {}
    bool assignable() const override { return true; }
    Value assign(Ctx& c, Value v) const override;
    Value* reference(Ctx& c) const override;

protected:
    // Raises "Variable does not exist" for attempt `tries` (from 1); nullopt when the handler
    // asks to look again, else its substitute or NIL.
    std::optional<Value> missing(Ctx& c, int tries) const;

    rt::Symbol sym_;
    std::string name_;
};

// An unqualified name: a field of the current area, else a memory variable.
class NameNode final : public VarNode {
public:
    using VarNode::VarNode;
    Value eval(Ctx& c) const override;

private:
    mutable FieldCache cache_;
};

// M->name, MEMVAR->name.
class MemvarNode final : public VarNode {
public:
    using VarNode::VarNode;
    Value eval(Ctx& c) const override;
};

// How an aliased construct finds its work area: by a name known at compile time ("" = the
// current area), or by an expression giving an area number or an alias text.
struct AreaRef {
    std::string alias;
    const Node* expr = nullptr;
    // The area number, or 0 after raising "Alias does not exist" (result in `failed`).
    int resolve(Ctx& c, Value& failed, bool& ok) const;
};

// FIELD->name, alias->name, (n)->name, &macro->name.
class FieldNode final : public Node {
public:
    FieldNode(std::uint32_t pos, AreaRef area, std::string name)
        : Node(pos), area_(std::move(area)), name_(std::move(name)) {}
    Value eval(Ctx& c) const override;
    bool assignable() const override { return true; }
    Value assign(Ctx& c, Value v) const override;

private:
    // The area the field is looked up in; false, with the error handler's answer in `failed`,
    // when there is none (no table layer and no alias, or an alias that does not resolve).
    bool targetArea(Ctx& c, int& area, Value& failed) const;

    AreaRef area_;
    std::string name_;
    mutable FieldCache cache_;
};

// alias->(expr): evaluates expr with that area selected, then selects the previous one.
class AliasExprNode final : public Node {
public:
    AliasExprNode(std::uint32_t pos, AreaRef area, const Node* expr)
        : Node(pos), area_(std::move(area)), expr_(expr) {}
    Value eval(Ctx& c) const override;

private:
    AreaRef area_;
    const Node* expr_;
};

// The text of a macro name (&a.b pieces spliced), as a character value.
class MacroTextNode final : public Node {
public:
    MacroTextNode(std::uint32_t pos, std::vector<MacroPiece> pieces)
        : Node(pos), pieces_(std::move(pieces)) {}
    Value eval(Ctx& c) const override;
    // False (after raising) when a piece's variable is missing or not character.
    bool text(Ctx& c, std::string& out, Value& failed) const;

private:
    std::vector<MacroPiece> pieces_;
};

// &name, &name.suffix, &(expr): the text is compiled (cached) and evaluated.
class MacroNode final : public Node {
public:
    MacroNode(std::uint32_t pos, const MacroTextNode* name, const Node* expr)
        : Node(pos), name_(name), expr_(expr) {}
    Value eval(Ctx& c) const override;
    bool assignable() const override { return true; }
    Value assign(Ctx& c, Value v) const override;

private:
    // Compiles the macro text; null (with the result in `failed`) after an error.
    const Compiled* unit(Ctx& c, Value& failed, std::shared_ptr<const Compiled>& keep) const;
    const MacroTextNode* name_;
    const Node* expr_;
};

struct Arg {
    const Node* node = nullptr;  // null: an omitted argument (NIL)
    bool byRef = false;
};

class CallNode final : public Node {
public:
    CallNode(std::uint32_t pos, std::string name, rt::FunctionId id, std::vector<Arg> args)
        : Node(pos), name_(std::move(name)), id_(id), args_(std::move(args)) {}
    Value eval(Ctx& c) const override;

private:
    std::string name_;
    mutable rt::FunctionId id_;
    std::vector<Arg> args_;
};

// &name(...): the function is named by the macro text.
class MacroCallNode final : public Node {
public:
    MacroCallNode(std::uint32_t pos, const MacroTextNode* name, std::vector<Arg> args)
        : Node(pos), name_(name), args_(std::move(args)) {}
    Value eval(Ctx& c) const override;

private:
    const MacroTextNode* name_;
    std::vector<Arg> args_;
};

// Calls function `id` with the arguments evaluated; shared by both call nodes.
Value callWith(Ctx& c, rt::FunctionId id, const std::vector<Arg>& args);
// Raises "Undefined function" for `name`.
Value undefinedFunction(Ctx& c, std::string_view name);

class IfNode final : public Node {
public:
    IfNode(std::uint32_t pos, const Node* cond, const Node* a, const Node* b)
        : Node(pos), cond_(cond), a_(a), b_(b) {}
    Value eval(Ctx& c) const override;

private:
    const Node *cond_, *a_, *b_;
};

enum class UnOp { Neg, Plus, Not };
class UnaryNode final : public Node {
public:
    UnaryNode(std::uint32_t pos, UnOp op, const Node* x) : Node(pos), op_(op), x_(x) {}
    Value eval(Ctx& c) const override;

private:
    UnOp op_;
    const Node* x_;
};

class BinaryNode final : public Node {
public:
    BinaryNode(std::uint32_t pos, Op op, const Node* a, const Node* b)
        : Node(pos), op_(op), a_(a), b_(b) {}
    Value eval(Ctx& c) const override;

private:
    Op op_;
    const Node *a_, *b_;
};

// .AND. (isAnd) / .OR., short-circuit.
class LogicNode final : public Node {
public:
    LogicNode(std::uint32_t pos, bool isAnd, const Node* a, const Node* b)
        : Node(pos), and_(isAnd), a_(a), b_(b) {}
    Value eval(Ctx& c) const override;

private:
    bool and_;
    const Node *a_, *b_;
};

class AssignNode final : public Node {
public:
    AssignNode(std::uint32_t pos, const Node* target, const Node* value)
        : Node(pos), target_(target), value_(value) {}
    Value eval(Ctx& c) const override { return target_->assign(c, value_->eval(c)); }

private:
    const Node *target_, *value_;
};

// += -= *= /= %= ^=
class CompoundNode final : public Node {
public:
    CompoundNode(std::uint32_t pos, Op op, const Node* target, const Node* value)
        : Node(pos), op_(op), target_(target), value_(value) {}
    Value eval(Ctx& c) const override;

private:
    Op op_;
    const Node *target_, *value_;
};

// ++x --x x++ x--
class IncDecNode final : public Node {
public:
    IncDecNode(std::uint32_t pos, const Node* target, int delta, bool prefix)
        : Node(pos), target_(target), delta_(delta), prefix_(prefix) {}
    Value eval(Ctx& c) const override;

private:
    const Node* target_;
    int delta_;
    bool prefix_;
};

class IndexNode final : public Node {
public:
    IndexNode(std::uint32_t pos, const Node* container, const Node* index)
        : Node(pos), container_(container), index_(index) {}
    Value eval(Ctx& c) const override;
    bool assignable() const override { return true; }
    Value assign(Ctx& c, Value v) const override;
    void update(Ctx& c, Updater& u) const override;

private:
    // The element's storage, or null after raising (the handler's answer in `failed`).
    Value* element(Ctx& c, const Value& cont, const Value& key, bool forWrite, Value& failed) const;
    const Node *container_, *index_;
};

// o:msg, o:msg(args), h:name
class SendNode final : public Node {
public:
    SendNode(std::uint32_t pos, const Node* obj, std::string msg, std::vector<Arg> args, bool call)
        : Node(pos), obj_(obj), msg_(std::move(msg)), args_(std::move(args)), call_(call) {}
    Value eval(Ctx& c) const override;
    bool assignable() const override { return !call_; }
    Value assign(Ctx& c, Value v) const override;

private:
    const Node* obj_;
    std::string msg_;  // upper case
    std::vector<Arg> args_;
    bool call_;
};

class ArrayLitNode final : public Node {
public:
    ArrayLitNode(std::uint32_t pos, std::vector<const Node*> items)
        : Node(pos), items_(std::move(items)) {}
    Value eval(Ctx& c) const override;

private:
    std::vector<const Node*> items_;  // null: NIL
};

class HashLitNode final : public Node {
public:
    HashLitNode(std::uint32_t pos, std::vector<const Node*> keys, std::vector<const Node*> vals)
        : Node(pos), keys_(std::move(keys)), vals_(std::move(vals)) {}
    Value eval(Ctx& c) const override;

private:
    std::vector<const Node*> keys_, vals_;
};

class BlockLitNode final : public Node {
public:
    BlockLitNode(std::uint32_t pos, int params, std::vector<const Node*> body, std::string text)
        : Node(pos), params_(params), body_(std::move(body)), text_(std::move(text)) {}
    Value eval(Ctx& c) const override;
    bool isBlockLiteral() const override { return true; }
    int params() const { return params_; }
    const std::vector<const Node*>& body() const { return body_; }
    const std::string& text() const { return text_; }

private:
    int params_;
    std::vector<const Node*> body_;
    std::string text_;
};

class ListNode final : public Node {
public:
    ListNode(std::uint32_t pos, std::vector<const Node*> items)
        : Node(pos), items_(std::move(items)) {}
    Value eval(Ctx& c) const override;

private:
    std::vector<const Node*> items_;
};

}  // namespace xb::xbase::detail
