#include "xbase/tree.hpp"

#include <array>
#include <cmath>

#include "xbase/ops.hpp"

namespace xb::xbase::detail {

namespace {

// A handler that keeps answering "retry" without fixing anything is given up on here.
constexpr int kMaxRetries = 1000;

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& ch : r) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    }
    return r;
}

rt::XbError baseError(int gen, int sub, const char* desc, std::string_view op) {
    rt::XbError e;
    e.genCode = gen;
    e.subSystem = "BASE";
    e.subCode = sub;
    e.description = desc;
    e.operation = std::string(op);
    e.canSubstitute = true;
    return e;
}

Value raiseBase(Ctx& c, int gen, int sub, const char* desc, std::string_view op) {
    return c.rt.raiseValue(baseError(gen, sub, desc, op));
}

// Reads field `name` of `area`, through the position cache when the hooks offer it.
bool readField(rt::DataHooks* d, int area, const std::string& name, FieldCache& cache, Value& out) {
    const void* id = d->tableIdentity(area);
    if (!id) return d->fieldGet(area == 0 ? d->currentArea() : area, name, out);
    if (id != cache.identity || area != cache.area) {
        cache.identity = id;
        cache.area = area;
        cache.index = d->fieldIndex(area, name);
    }
    return cache.index > 0 && d->fieldGetAt(area, cache.index, out);
}

// Selects an area for its lifetime and then the one that was current before.
struct AreaSwitch {
    AreaSwitch(rt::DataHooks* hooks, int area) : d(hooks), old(hooks->currentArea()) {
        d->selectArea(area);
    }
    ~AreaSwitch() { d->selectArea(old); }
    rt::DataHooks* d;
    int old;
};

}  // namespace

Value undefinedFunction(Ctx& c, std::string_view name) {
    return raiseBase(c, rt::eg::kNoFunc, 1001, "Undefined function", upper(name));
}

// --- Node defaults ---

Value Node::assign(Ctx& c, Value) const {
    return raiseBase(c, rt::eg::kSyntax, 1449, "Syntax error", "assignment");
}

void Node::update(Ctx& c, Updater& u) const {
    Value old = eval(c);
    Value nv = u.apply(c, old);
    assign(c, std::move(nv));
}

// --- variables ---

Value* LocalVar::slot(Ctx& c) const {
    Env* e = c.env.get();
    for (int i = 0; i < up_; ++i) e = e->parent.get();
    return &e->slots[static_cast<std::size_t>(index_)];
}

Value LocalVar::assign(Ctx& c, Value v) const {
    Value* s = slot(c);
    *s = std::move(v);
    return *s;
}

std::optional<Value> VarNode::missing(Ctx& c, int tries) const {
    rt::XbError e = baseError(rt::eg::kNoVar, 1003, "Variable does not exist", name_);
    e.canRetry = tries < kMaxRetries;
    e.tries = tries - 1;
    rt::ErrorAnswer a = c.rt.raise(std::move(e));
    if (a.kind == rt::ErrorAnswer::Kind::Retry) return std::nullopt;
    return a.kind == rt::ErrorAnswer::Kind::Substitute ? std::move(a.value) : Value();
}

Value VarNode::assign(Ctx& c, Value v) const { return c.rt.assignVar(sym_, std::move(v)); }

Value* VarNode::reference(Ctx& c) const {
    if (Value* v = c.rt.findVar(sym_)) return v;
    return &c.rt.assignVar(sym_, Value());
}

Value NameNode::eval(Ctx& c) const {
    for (int tries = 1;; ++tries) {
        if (rt::DataHooks* d = c.rt.data()) {
            Value out;
            // Area 0 is the current one; the table identity tells tables apart, so the
            // cached position needs no area number.
            if (readField(d, 0, name_, cache_, out)) return out;
        }
        if (const Value* v = c.rt.findVar(sym_)) return *v;
        if (auto answer = missing(c, tries)) return std::move(*answer);
    }
}

Value MemvarNode::eval(Ctx& c) const {
    for (int tries = 1;; ++tries) {
        if (const Value* v = c.rt.findVar(sym_)) return *v;
        if (auto answer = missing(c, tries)) return std::move(*answer);
    }
}

// --- work areas ---

int AreaRef::resolve(Ctx& c, Value& failed, bool& ok) const {
    ok = true;
    rt::DataHooks* d = c.rt.data();
    std::string name = alias;
    int area = 0;
    if (expr) {
        Value v = expr->eval(c);
        if (v.isNumber()) {
            double n = v.numVal();
            area = (n >= 1 && n <= 65535) ? static_cast<int>(n) : -1;
            name = rt::repr(v);
            if (area > 0 && !d) area = -1;
        } else if (v.isString()) {
            name = v.str();
        } else {
            ok = false;
            failed = raiseBase(c, rt::eg::kArg, 1065, "Argument error", "->");
            return 0;
        }
    } else if (name.empty()) {
        if (d) return d->currentArea();
        area = -1;
    }
    if (area == 0 && d) {
        std::size_t b = name.find_first_not_of(' ');
        std::size_t e = name.find_last_not_of(' ');
        std::string trimmed = b == std::string::npos ? "" : name.substr(b, e - b + 1);
        area = trimmed.empty() ? 0 : d->areaOfAlias(trimmed);
        name = trimmed;
    }
    if (area > 0) return area;
    ok = false;
    failed = raiseBase(c, rt::eg::kNoAlias, 1002, "Alias does not exist", upper(name));
    return 0;
}

bool FieldNode::targetArea(Ctx& c, int& area, Value& failed) const {
    if (!c.rt.data() && !area_.expr && area_.alias.empty()) {
        // FIELD->name without any table layer: there is no such field.
        failed = raiseBase(c, rt::eg::kNoVar, 1003, "Variable does not exist", upper(name_));
        return false;
    }
    bool ok;
    area = area_.resolve(c, failed, ok);
    return ok;
}

Value FieldNode::eval(Ctx& c) const {
    Value failed;
    int area = 0;
    if (!targetArea(c, area, failed)) return failed;
    rt::DataHooks* d = c.rt.data();
    Value out;
    if (d && readField(d, area, name_, cache_, out)) return out;
    return raiseBase(c, rt::eg::kNoVar, 1003, "Variable does not exist", upper(name_));
}

Value FieldNode::assign(Ctx& c, Value v) const {
    Value failed;
    int area = 0;
    if (!targetArea(c, area, failed)) return failed;
    rt::DataHooks* d = c.rt.data();
    if (d && d->fieldPut(area, name_, v)) return v;
    return raiseBase(c, rt::eg::kNoVar, 1003, "Variable does not exist", upper(name_));
}

Value AliasExprNode::eval(Ctx& c) const {
    Value failed;
    bool ok;
    int area = area_.resolve(c, failed, ok);
    if (!ok) return failed;
    AreaSwitch sw(c.rt.data(), area);
    return expr_->eval(c);
}

// --- macros ---

bool MacroTextNode::text(Ctx& c, std::string& out, Value& failed) const {
    out.clear();
    for (const MacroPiece& p : pieces_) {
        if (!p.isVar) {
            out += p.text;
            continue;
        }
        rt::Symbol s = c.rt.intern(p.text);
        const Value* v = c.rt.findVar(s);
        if (!v) {
            failed = raiseBase(c, rt::eg::kNoVar, 1003, "Variable does not exist", upper(p.text));
            return false;
        }
        if (!v->isString()) {
            failed = raiseBase(c, rt::eg::kArg, 1065, "Argument error", "&");
            return false;
        }
        out += v->str();
    }
    return true;
}

Value MacroTextNode::eval(Ctx& c) const {
    std::string s;
    Value failed;
    if (!text(c, s, failed)) return failed;
    return Value(std::move(s));
}

const Compiled* MacroNode::unit(Ctx& c, Value& failed,
                                std::shared_ptr<const Compiled>& keep) const {
    std::string textBuf;
    if (name_) {
        if (!name_->text(c, textBuf, failed)) return nullptr;
    } else {
        Value v = expr_->eval(c);
        if (!v.isString()) {
            failed = raiseBase(c, rt::eg::kArg, 1065, "Argument error", "&");
            return nullptr;
        }
        textBuf = v.str();
    }
    const CacheEntry& e = c.st.lookup(textBuf);
    if (!e.unit) {
        SyntaxError err = e.error;  // the entry may go when the handler compiles more
        failed = raiseSyntax(c.rt, textBuf, err);
        return nullptr;
    }
    keep = e.unit;
    if (c.st.probing && keep->impure_) throw ProbeIndeterminate{};
    return keep.get();
}

Value MacroNode::eval(Ctx& c) const {
    Value failed;
    std::shared_ptr<const Compiled> keep;
    const Compiled* u = unit(c, failed, keep);
    if (!u) return failed;
    rt::Runtime::DepthGuard guard(c.rt);
    checkStack();
    Ctx inner{c.rt, c.st, nullptr, u};
    return u->root().eval(inner);
}

Value MacroNode::assign(Ctx& c, Value v) const {
    Value failed;
    std::shared_ptr<const Compiled> keep;
    const Compiled* u = unit(c, failed, keep);
    if (!u) return failed;
    rt::Runtime::DepthGuard guard(c.rt);
    Ctx inner{c.rt, c.st, nullptr, u};
    if (!u->root().assignable()) {
        SyntaxError err{1, "Syntax error at position 1: the macro is not a variable"};
        return raiseSyntax(c.rt, u->text(), err);
    }
    return u->root().assign(inner, std::move(v));
}

// --- calls ---

Value callWith(Ctx& c, rt::FunctionId id, const std::vector<Arg>& args) {
    constexpr std::size_t kInline = 8;
    const std::size_t n = args.size();
    std::array<Value, kInline> small;
    std::array<Value*, kInline> smallRefs{};
    std::vector<Value> big;
    std::vector<Value*> bigRefs;
    Value* vals = small.data();
    Value** refs = smallRefs.data();
    if (n > kInline) {
        big.resize(n);
        bigRefs.assign(n, nullptr);
        vals = big.data();
        refs = bigRefs.data();
    }
    bool anyRef = false;
    for (std::size_t i = 0; i < n; ++i) {
        const Arg& a = args[i];
        if (!a.node) continue;
        if (a.byRef) {
            Value* r = a.node->reference(c);
            if (r) {
                refs[i] = r;
                vals[i] = *r;
                anyRef = true;
                continue;
            }
        }
        vals[i] = a.node->eval(c);
    }
    std::span<Value> sv(vals, n);
    if (!anyRef) return c.rt.call(id, sv);
    return c.rt.call(id, sv, std::span<Value* const>(refs, n));
}

Value CallNode::eval(Ctx& c) const {
    checkStack();
    if (id_ < 0) {
        rt::FunctionId id = c.rt.findFunction(name_);
        if (id < 0) return undefinedFunction(c, name_);
        id_ = id;
    }
    return callWith(c, id_, args_);
}

Value MacroCallNode::eval(Ctx& c) const {
    std::string name;
    Value failed;
    if (!name_->text(c, name, failed)) return failed;
    rt::FunctionId id = c.rt.findFunction(name);
    if (id < 0) return undefinedFunction(c, name);
    if (c.st.probing) throw ProbeIndeterminate{};
    return callWith(c, id, args_);
}

Value IfNode::eval(Ctx& c) const {
    Value cond = cond_->eval(c);
    if (!cond.isLogical()) {
        rt::XbError e = baseError(rt::eg::kArg, 1066, "Argument error", "IIF");
        e.args.push_back(cond);
        cond = c.rt.raiseValue(std::move(e));
        if (!cond.isLogical()) return cond;  // a substitute of another type is the result
    }
    if (cond.logical()) return a_->eval(c);
    return b_ ? b_->eval(c) : Value();
}

// --- operators ---

Value UnaryNode::eval(Ctx& c) const {
    Value x = x_->eval(c);
    switch (op_) {
        case UnOp::Neg:
            return ops::negate(c.rt, x);
        case UnOp::Plus:
            return ops::plus(c.rt, x);
        case UnOp::Not:
            if (x.isLogical()) return Value(!x.logical());
            return ops::notError(c.rt, x);
    }
    return Value();
}

Value BinaryNode::eval(Ctx& c) const {
    Value a = a_->eval(c);
    Value b = b_->eval(c);
    // The common cases without the general dispatch.
    if (a.isNumber() && b.isNumber() && (op_ == Op::Add || op_ == Op::Sub)) {
        const Value::Number& x = a.num();
        const Value::Number& y = b.num();
        return ops::numberResult(op_ == Op::Add ? x.v + y.v : x.v - y.v,
                                 x.decimals > y.decimals ? x.decimals : y.decimals);
    }
    if (op_ == Op::Eq && a.type() == Value::Type::Character && b.type() == Value::Type::Character) {
        return Value(ops::compareStrings(a.str(), b.str(), c.rt.settings().exact) == 0);
    }
    return binaryOp(c.rt, op_, a, b);
}

Value LogicNode::eval(Ctx& c) const {
    Value a = a_->eval(c);
    if (!a.isLogical()) {
        Value b = b_->eval(c);
        return and_ ? ops::andError(c.rt, a, b) : ops::orError(c.rt, a, b);
    }
    if (and_ ? !a.logical() : a.logical()) return a;
    Value b = b_->eval(c);
    if (!b.isLogical()) return and_ ? ops::andError(c.rt, a, b) : ops::orError(c.rt, a, b);
    return b;
}

namespace {
struct OpUpdater final : Updater {
    OpUpdater(Op o, Value r) : op(o), rhs(std::move(r)) {}
    Value apply(Ctx& c, const Value& old) override {
        result = binaryOp(c.rt, op, old, rhs);
        return result;
    }
    Op op;
    Value rhs;
};
struct StepUpdater final : Updater {
    StepUpdater(int d, bool p) : delta(d), prefix(p) {}
    Value apply(Ctx& c, const Value& old) override {
        Value nv = ops::step(c.rt, old, delta);
        result = prefix ? nv : old;
        return nv;
    }
    int delta;
    bool prefix;
};
}  // namespace

Value CompoundNode::eval(Ctx& c) const {
    OpUpdater u(op_, value_->eval(c));
    target_->update(c, u);
    return std::move(u.result);
}

Value IncDecNode::eval(Ctx& c) const {
    StepUpdater u(delta_, prefix_);
    target_->update(c, u);
    return std::move(u.result);
}

// --- indexing ---

Value* IndexNode::element(Ctx& c, const Value& cont, const Value& key, bool forWrite,
                          Value& failed) const {
    if (cont.isArray()) {
        if (!key.isNumber()) {
            rt::XbError e = baseError(rt::eg::kArg, forWrite ? 1069 : 1068, "Argument error", "[]");
            e.args = {cont, key};
            failed = c.rt.raiseValue(std::move(e));
            return nullptr;
        }
        auto& items = cont.array().items;
        double k = std::trunc(key.numVal());
        if (k >= 1 && k <= static_cast<double>(items.size())) {
            return &items[static_cast<std::size_t>(k) - 1];
        }
        rt::XbError e =
            baseError(rt::eg::kBound, forWrite ? 1133 : 1132,
                      forWrite ? "Bound error: array assign" : "Bound error: array access", "[]");
        e.args = {cont, key};
        failed = c.rt.raiseValue(std::move(e));
        return nullptr;
    }
    if (cont.isHash()) {
        rt::Hash& h = cont.hash();
        if (Value* v = h.get(key)) return v;
        if (forWrite && rt::Hash::validKey(key)) {
            h.set(key, Value());
            return h.get(key);
        }
        rt::XbError e =
            baseError(rt::eg::kBound, forWrite ? 1133 : 1132,
                      forWrite ? "Bound error: array assign" : "Bound error: array access", "[]");
        e.args = {cont, key};
        failed = c.rt.raiseValue(std::move(e));
        return nullptr;
    }
    rt::XbError e = baseError(rt::eg::kArg, forWrite ? 1069 : 1068, "Argument error", "[]");
    e.args = {cont, key};
    failed = c.rt.raiseValue(std::move(e));
    return nullptr;
}

Value IndexNode::eval(Ctx& c) const {
    Value cont = container_->eval(c);
    Value key = index_->eval(c);
    Value failed;
    Value* el = element(c, cont, key, false, failed);
    return el ? *el : failed;
}

Value IndexNode::assign(Ctx& c, Value v) const {
    Value cont = container_->eval(c);
    Value key = index_->eval(c);
    Value failed;
    Value* el = element(c, cont, key, true, failed);
    if (!el) return failed;
    *el = std::move(v);
    return *el;
}

void IndexNode::update(Ctx& c, Updater& u) const {
    Value cont = container_->eval(c);
    Value key = index_->eval(c);
    Value failed;
    Value* el = element(c, cont, key, false, failed);
    if (!el) {
        u.result = failed;
        return;
    }
    Value nv = u.apply(c, *el);
    // The operator may have run code that resized the array: look the element up again.
    el = element(c, cont, key, true, failed);
    if (el) *el = std::move(nv);
}

// --- messages ---

Value SendNode::eval(Ctx& c) const {
    Value obj = obj_->eval(c);
    if (obj.isHash() && !call_) {
        if (Value* v = obj.hash().get(Value(msg_))) return *v;
        rt::XbError e = baseError(rt::eg::kBound, 1132, "Bound error: array access", msg_);
        e.args = {obj, Value(msg_)};
        return c.rt.raiseValue(std::move(e));
    }
    std::vector<Value> args;
    args.reserve(args_.size());
    for (const Arg& a : args_) args.push_back(a.node ? a.node->eval(c) : Value());
    if (obj.isObject()) {
        Value result;
        auto keep = obj.objectPtr();
        if (keep->send(c.rt, msg_, args, result)) return result;
    } else if (obj.isBlock() && msg_ == "EVAL") {
        return c.rt.eval(obj, args);
    }
    rt::XbError e = baseError(rt::eg::kNoMethod, 1004, "No exported method", msg_);
    e.args.push_back(obj);
    return c.rt.raiseValue(std::move(e));
}

Value SendNode::assign(Ctx& c, Value v) const {
    Value obj = obj_->eval(c);
    if (obj.isHash()) {
        obj.hash().set(Value(msg_), v);
        return v;
    }
    if (obj.isObject()) {
        Value result;
        auto keep = obj.objectPtr();
        if (keep->send(c.rt, "_" + msg_, std::span<const Value>(&v, 1), result)) return v;
    }
    rt::XbError e = baseError(rt::eg::kNoVarMethod, 1005, "No exported variable", msg_);
    e.args = {obj, v};
    return c.rt.raiseValue(std::move(e));
}

// --- literals ---

Value ArrayLitNode::eval(Ctx& c) const {
    std::vector<Value> items;
    items.reserve(items_.size());
    for (const Node* n : items_) items.push_back(n ? n->eval(c) : Value());
    return Value::newArray(std::move(items));
}

Value HashLitNode::eval(Ctx& c) const {
    Value h = Value::newHash();
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        Value k = keys_[i]->eval(c);
        Value v = vals_[i]->eval(c);
        if (!h.hash().set(k, std::move(v))) {
            rt::XbError e = baseError(rt::eg::kBound, 1133, "Bound error: array assign", "=>");
            e.args.push_back(k);
            c.rt.raiseValue(std::move(e));
        }
    }
    return h;
}

namespace {
class CompiledBlock final : public rt::Block {
public:
    CompiledBlock(std::shared_ptr<const Compiled> unit, const BlockLitNode* node,
                  std::shared_ptr<Env> env)
        : unit_(std::move(unit)), node_(node), env_(std::move(env)) {}
    Value call(rt::Runtime& rt, std::span<const Value> args) override {
        checkStack();
        Ctx c{rt, *unit_->state_, env_, unit_.get()};
        if (node_->params() > 0) {
            auto e = std::make_shared<Env>();
            e->parent = env_;
            e->slots.resize(static_cast<std::size_t>(node_->params()));
            for (std::size_t i = 0; i < args.size() && i < e->slots.size(); ++i) {
                e->slots[i] = args[i];
            }
            c.env = std::move(e);
        }
        Value r;
        for (const Node* n : node_->body()) r = n->eval(c);
        return r;
    }
    std::string text() const override { return node_->text(); }

private:
    std::shared_ptr<const Compiled> unit_;
    const BlockLitNode* node_;
    std::shared_ptr<Env> env_;
};
}  // namespace

Value BlockLitNode::eval(Ctx& c) const {
    return Value(std::shared_ptr<rt::Block>(
        std::make_shared<CompiledBlock>(c.unit->shared_from_this(), this, c.env)));
}

Value ListNode::eval(Ctx& c) const {
    Value r;
    for (const Node* n : items_) r = n->eval(c);
    return r;
}

}  // namespace xb::xbase::detail
