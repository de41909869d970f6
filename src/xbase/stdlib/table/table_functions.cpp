#include "xbase/stdlib/table/table_functions.hpp"

#include <algorithm>
#include <cctype>
#include <map>

#include "runtime/date.hpp"
#include "xbase/xbase.hpp"

namespace xb::stdlib {

namespace {
using rt::Frame;
using rt::Value;
using table::Expr;
using table::Table;

// FOR condition and direction set by OrdCondSet() for the next OrdCreate()/DbCreateIndex().
struct PendingCondition {
    static constexpr char kTag = 0;
    explicit PendingCondition(rt::Runtime&) {}
    std::string forText;
    Expr forCond;
    bool descending = false;
    void clear() {
        forText.clear();
        forCond = nullptr;
        descending = false;
    }
};

Value integer(long long v) { return Value::integer(static_cast<double>(v)); }

table::WorkAreas& areas(Frame& f) { return workAreas(f.runtime()); }

Table* current(Frame& f) { return areas(f).table(); }

// The current table, or the "Workarea not in use" error (the call then ends).
Table& need(Frame& f) {
    for (;;) {
        if (Table* t = current(f)) return *t;
        rt::XbError e;
        e.genCode = rt::eg::kNoTable;
        e.subSystem = "DBCMD";
        e.subCode = 2001;
        e.description = "Workarea not in use";
        e.canDefault = true;
        e.canRetry = true;
        f.fail(std::move(e));
    }
}

Expr compileText(rt::Runtime& rt, const std::string& text) {
    if (text.empty()) return nullptr;
    return xbase::callable(rt, text);
}

Expr fromBlock(rt::Runtime& rt, const Value& block) {
    if (!block.isBlock()) return nullptr;
    return [&rt, block] { return rt.eval(block); };
}

// A condition from a block argument, else from a text argument.
Expr condition(Frame& f, int blockArg, int textArg) {
    if (f.arg(blockArg).isBlock()) return fromBlock(f.runtime(), f.arg(blockArg));
    if (textArg > 0 && f.arg(textArg).isString())
        return compileText(f.runtime(), f.arg(textArg).str());
    return nullptr;
}

bool truthy(const Value& v) { return v.isLogical() && v.logical(); }

std::string fileName(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string orderName(const std::string& path) {
    std::string n = fileName(path);
    auto dot = n.rfind('.');
    if (dot != std::string::npos) n.resize(dot);
    return table::upper(n);
}

// An order given by number (0 = controlling) or by name; 0 when none.
int orderOf(Table& t, const Value& v) {
    if (v.isNumber()) {
        int n = static_cast<int>(v.numVal());
        if (n == 0) return t.controllingOrder();
        return n >= 1 && n <= t.orderCount() ? n : 0;
    }
    if (v.isString()) {
        std::string want = table::upper(v.str());
        while (!want.empty() && want.back() == ' ') want.pop_back();
        for (int i = 1; i <= t.orderCount(); ++i)
            if (orderName(t.orderBag(i)) == orderName(want)) return i;
        return 0;
    }
    return t.controllingOrder();
}

void selectValue(Frame& f, const Value& v) {
    auto& wa = areas(f);
    if (v.isNumber()) {
        int n = static_cast<int>(v.numVal());
        wa.selectArea(n == 0 ? wa.freeArea(1) : n);
        return;
    }
    if (v.isString()) {
        std::string a = v.str();
        while (!a.empty() && a.back() == ' ') a.pop_back();
        bool digits = !a.empty() && std::all_of(a.begin(), a.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
        if (digits) {
            wa.selectArea(std::stoi(a));
            return;
        }
        if (int n = wa.areaOfAlias(a)) {
            wa.selectArea(n);
            return;
        }
        rt::XbError e;
        e.genCode = rt::eg::kNoAlias;
        e.subSystem = "BASE";
        e.subCode = 1002;
        e.description = "Alias does not exist";
        e.operation = a;
        e.canDefault = true;
        f.fail(std::move(e));
    }
}

// --- areas ---

// DbUseArea(lNewArea, cDriver, cName, cAlias, lShared, lReadOnly)
void fn_DBUSEAREA(Frame& f) {
    auto& wa = areas(f);
    if (truthy(f.arg(1))) wa.selectArea(wa.freeArea(1));
    std::string alias = f.arg(4).isString() ? f.arg(4).str() : "";
    while (!alias.empty() && alias.back() == ' ') alias.pop_back();
    table::OpenOptions o;
    o.shared = f.arg(5).isLogical() ? f.arg(5).logical() : !f.runtime().settings().exclusive;
    o.readOnly = truthy(f.arg(6));
    wa.use(0, f.str(3), alias, o);
}
void fn_DBCLOSEAREA(Frame& f) { areas(f).closeArea(0); }
void fn_DBCLOSEALL(Frame& f) {
    areas(f).closeAll();
    areas(f).selectArea(1);
}
void fn_DBSELECTAREA(Frame& f) { selectValue(f, f.arg(1)); }
// Select([cAlias]) -> the area of the alias (0 when none), or the current area
void fn_SELECT(Frame& f) {
    auto& wa = areas(f);
    if (f.arg(1).isString()) {
        std::string a = f.arg(1).str();
        while (!a.empty() && a.back() == ' ') a.pop_back();
        f.ret(integer(a.empty() ? wa.current() : wa.areaOfAlias(a)));
        return;
    }
    f.ret(integer(wa.current()));
}
void fn_ALIAS(Frame& f) { f.ret(Value(areas(f).alias(static_cast<int>(f.intOr(1, 0))))); }
void fn_USED(Frame& f) { f.ret(Value(current(f) != nullptr)); }
void fn_DBF(Frame& f) { f.ret(Value(areas(f).alias(0))); }

// --- navigation ---

void fn_DBSEEK(Frame& f) {
    Table& t = need(f);
    bool soft = f.arg(2).isLogical() ? f.arg(2).logical() : f.runtime().settings().softSeek;
    f.ret(Value(t.seek(f.arg(1), soft, truthy(f.arg(3)))));
}
void fn_DBSKIP(Frame& f) { need(f).skip(f.intOr(1, 1)); }
void fn_DBGOTOP(Frame& f) { need(f).goTop(); }
void fn_DBGOBOTTOM(Frame& f) { need(f).goBottom(); }
void fn_DBGOTO(Frame& f) {
    Table& t = need(f);
    t.goTo(static_cast<std::uint32_t>(std::max(0LL, f.intOr(1, 0))));
}
void fn_EOF(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t ? t->eof() : true));
}
void fn_BOF(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t ? t->bof() : true));
}
void fn_FOUND(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t ? t->found() : false));
}
void fn_RECNO(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? t->recNo() : 0));
}
void fn_LASTREC(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? t->lastRec() : 0));
}
void fn_DELETED(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t ? (!t->eof() && t->deleted()) : false));
}
void fn_DBDELETE(Frame& f) { need(f).deleteRecord(); }
void fn_DBRECALL(Frame& f) { need(f).recall(); }
void fn_DBAPPEND(Frame& f) { need(f).append(); }
void fn_NETERR(Frame& f) {
    auto& wa = areas(f);
    bool old = wa.netErr();
    if (f.arg(1).isLogical()) wa.setNetErr(f.arg(1).logical());
    f.ret(Value(old));
}

// --- locks ---

void fn_RLOCK(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t && t->lockRecord(t->recNo(), true)));
}
void fn_FLOCK(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t && t->lockFile()));
}
void fn_DBRLOCK(Frame& f) {
    Table* t = current(f);
    if (!t) {
        f.ret(Value(false));
        return;
    }
    auto n = static_cast<std::uint32_t>(f.intOr(1, t->recNo()));
    f.ret(Value(t->lockRecord(n, false)));
}
void fn_DBRUNLOCK(Frame& f) {
    Table* t = current(f);
    if (!t) return;
    if (f.arg(1).isNumber()) {
        t->unlockRecord(static_cast<std::uint32_t>(f.arg(1).numVal()));
    } else {
        t->unlockAll();
    }
}
void fn_DBUNLOCK(Frame& f) {
    if (Table* t = current(f)) t->unlockAll();
}
void fn_DBUNLOCKALL(Frame& f) {
    auto& wa = areas(f);
    for (int a : wa.usedAreas())
        if (Table* t = wa.table(a)) t->unlockAll();
}

// --- fields ---

void fn_FIELDGET(Frame& f) {
    Table* t = current(f);
    int n = static_cast<int>(f.intOr(1, 0));
    Value v;
    if (t && n >= 1 && n <= t->fieldCount()) t->getField(n - 1, v);
    f.ret(std::move(v));
}
void fn_FIELDPUT(Frame& f) {
    Table* t = current(f);
    int n = static_cast<int>(f.intOr(1, 0));
    if (t && n >= 1 && n <= t->fieldCount() && t->putField(n - 1, f.arg(2))) f.ret(f.arg(2));
}
void fn_FIELDPOS(Frame& f) {
    Table* t = current(f);
    std::string name = f.strOr(1, "");
    while (!name.empty() && name.back() == ' ') name.pop_back();
    f.ret(integer(t ? t->fieldIndex(name) + 1 : 0));
}
void fn_FIELDNAME(Frame& f) {
    Table* t = current(f);
    int n = static_cast<int>(f.intOr(1, 0));
    f.ret(Value(t && n >= 1 && n <= t->fieldCount() ? t->field(n - 1).name : std::string()));
}
void fn_FCOUNT(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? t->fieldCount() : 0));
}
// AFields(aNames, aTypes, aLens, aDecs): fills the arrays given (up to their length, or the
// whole structure into an empty array) and returns the count of fields.
void fn_AFIELDS(Frame& f) {
    Table* t = current(f);
    if (!t) {
        f.ret(integer(0));
        return;
    }
    int count = t->fieldCount(), filled = 0;
    for (int k = 1; k <= 4; ++k) {
        if (!f.arg(k).isArray()) continue;
        auto& items = f.arg(k).array().items;
        if (items.empty()) items.resize(static_cast<std::size_t>(count));
        int n = std::min<int>(count, static_cast<int>(items.size()));
        filled = std::max(filled, n);
        for (int i = 0; i < n; ++i) {
            const table::Field& fd = t->field(i);
            Value v;
            switch (k) {
                case 1:
                    v = Value(fd.name);
                    break;
                case 2:
                    v = Value(std::string(1, fd.type));
                    break;
                case 3:
                    v = integer(fd.len);
                    break;
                default:
                    v = integer(fd.dec);
                    break;
            }
            items[static_cast<std::size_t>(i)] = std::move(v);
        }
    }
    f.ret(integer(filled ? filled : count));
}

Value fieldAccess(rt::Runtime& rt, int area, const std::string& name, std::span<const Value> a) {
    auto& wa = workAreas(rt);
    if (!a.empty() && !a[0].isNil()) {
        wa.fieldPut(area, name, a[0]);
        return a[0];
    }
    Value v;
    wa.fieldGet(area, name, v);
    return v;
}
void fn_FIELDBLOCK(Frame& f) {
    if (!f.arg(1).isString()) return;
    std::string name = f.arg(1).str();
    f.ret(Value(rt::nativeBlock([name](rt::Runtime& rt, std::span<const Value> a) {
        return fieldAccess(rt, 0, name, a);
    })));
}
void fn_FIELDWBLOCK(Frame& f) {
    if (!f.arg(1).isString() || !f.arg(2).isNumber()) return;
    std::string name = f.arg(1).str();
    int area = static_cast<int>(f.arg(2).numVal());
    f.ret(Value(rt::nativeBlock([name, area](rt::Runtime& rt, std::span<const Value> a) {
        return fieldAccess(rt, area, name, a);
    })));
}
void fn_DBSTRUCT(Frame& f) {
    Table* t = current(f);
    std::vector<Value> rows;
    if (t) {
        for (int i = 0; i < t->fieldCount(); ++i) {
            const table::Field& fd = t->field(i);
            rows.push_back(Value::newArray({Value(fd.name), Value(std::string(1, fd.type)),
                                            integer(fd.len), integer(fd.dec)}));
        }
    }
    f.ret(Value::newArray(std::move(rows)));
}

// DbCreate(cFile, aStruct, cDriver, lNew, cAlias): a driver naming FPT, CDX or FOX gives the
// table an FPT memo file, any other a DBT. A structure given as a file name is read as a
// structure table (FIELD_NAME, FIELD_TYPE, FIELD_LEN, FIELD_DEC). With lNew given, the new
// table is opened (in a new area when true).
void fn_DBCREATE(Frame& f) {
    rt::Runtime& rt = f.runtime();
    std::string file = f.str(1);
    std::vector<table::Field> fields;
    if (f.arg(2).isArray()) {
        for (const Value& row : f.arg(2).array().items) {
            if (!row.isArray() || row.array().items.size() < 3) f.argError();
            const auto& it = row.array().items;
            table::Field fd;
            fd.name = it[0].isString() ? it[0].str() : "";
            while (!fd.name.empty() && fd.name.back() == ' ') fd.name.pop_back();
            fd.type =
                it[1].isString() && !it[1].str().empty()
                    ? static_cast<char>(std::toupper(static_cast<unsigned char>(it[1].str()[0])))
                    : 'C';
            fd.len = it[2].isNumber() ? static_cast<int>(it[2].numVal()) : 0;
            fd.dec = it.size() > 3 && it[3].isNumber() ? static_cast<int>(it[3].numVal()) : 0;
            fields.push_back(std::move(fd));
        }
    } else if (f.arg(2).isString()) {
        if (!Table::readStructureTable(rt, f.arg(2).str(), fields)) return;
    } else {
        f.argError();
    }
    std::string driver = table::upper(f.strOr(3, "DBFNTX"));
    bool fpt = driver.find("FPT") != std::string::npos || driver.find("CDX") != std::string::npos ||
               driver.find("FOX") != std::string::npos;
    if (!Table::create(rt, file, std::move(fields),
                       fpt ? table::MemoKind::Fpt : table::MemoKind::Dbt))
        return;
    if (f.arg(4).isLogical()) {
        auto& wa = areas(f);
        if (f.arg(4).logical()) wa.selectArea(wa.freeArea(1));
        std::string alias = f.strOr(5, "");
        table::OpenOptions o;
        o.shared = !rt.settings().exclusive;
        wa.use(0, file, alias, o);
    }
    f.ret(Value(true));
}

// --- orders ---

void fn_DBSETORDER(Frame& f) {
    Table& t = need(f);
    int n = static_cast<int>(f.intOr(1, 0));
    if (n >= 0 && n <= t.orderCount()) t.setControllingOrder(n);
}
void fn_ORDSETFOCUS(Frame& f) {
    Table* t = current(f);
    if (!t) {
        f.ret(Value(""));
        return;
    }
    int ctl = t->controllingOrder();
    f.ret(Value(ctl ? orderName(t->orderBag(ctl)) : std::string()));
    if (f.arg(1).isNumber() || f.arg(1).isString()) {
        int n = f.arg(1).isNumber() && f.arg(1).numVal() == 0 ? 0 : orderOf(*t, f.arg(1));
        t->setControllingOrder(n);
    }
}
void fn_INDEXORD(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? t->controllingOrder() : 0));
}
void fn_INDEXKEY(Frame& f) {
    Table* t = current(f);
    int n = t ? orderOf(*t, f.isNil(1) ? integer(0) : f.arg(1)) : 0;
    f.ret(Value(n ? t->order(n).info().keyExpr : std::string()));
}
void fn_INDEXEXT(Frame& f) { f.ret(Value(".NTX")); }
void fn_ORDNAME(Frame& f) {
    Table* t = current(f);
    int n = t ? orderOf(*t, f.isNil(1) ? integer(0) : f.arg(1)) : 0;
    f.ret(Value(n ? orderName(t->orderBag(n)) : std::string()));
}
void fn_ORDNUMBER(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? orderOf(*t, f.isNil(1) ? integer(0) : f.arg(1)) : 0));
}
void fn_ORDBAGNAME(Frame& f) {
    Table* t = current(f);
    int n = t ? orderOf(*t, f.isNil(1) ? integer(0) : f.arg(1)) : 0;
    f.ret(Value(n ? fileName(t->orderBag(n)) : std::string()));
}
void fn_ORDFOR(Frame& f) {
    Table* t = current(f);
    int n = t ? orderOf(*t, f.isNil(1) ? integer(0) : f.arg(1)) : 0;
    f.ret(Value(n ? t->order(n).info().forExpr : std::string()));
}
void fn_ORDLISTADD(Frame& f) { need(f).addOrder(f.str(1)); }
void fn_DBSETINDEX(Frame& f) {
    Table& t = need(f);
    if (t.addOrder(f.str(1))) t.goTop();
}
void fn_ORDLISTCLEAR(Frame& f) {
    if (Table* t = current(f)) t->clearOrders();
}
// OrdCondSet(cFor, bFor, lAll, bWhile, bEval, nInterval, nStart, nNext, nRecord, lRest,
// lDescend): the FOR condition and direction of the next order created.
void fn_ORDCONDSET(Frame& f) {
    auto& p = f.runtime().extension<PendingCondition>();
    p.clear();
    p.forText = f.arg(1).isString() ? f.arg(1).str() : "";
    p.forCond = condition(f, 2, 1);
    p.descending = truthy(f.arg(11));
    f.ret(Value(true));
}
void createOrder(Frame& f, const std::string& bag, int keyArg, int blockArg, int uniqueArg) {
    Table& t = need(f);
    rt::Runtime& rt = f.runtime();
    std::string keyText = f.arg(keyArg).isString() ? f.arg(keyArg).str() : "";
    Expr key = keyText.empty() ? fromBlock(rt, f.arg(blockArg)) : compileText(rt, keyText);
    if (keyText.empty() && f.arg(blockArg).isBlock()) keyText = f.arg(blockArg).block().text();
    if (!key) {
        if (keyText.empty()) f.argError();
        return;
    }
    auto& p = rt.extension<PendingCondition>();
    bool unique = f.arg(uniqueArg).isLogical() ? f.arg(uniqueArg).logical() : rt.settings().unique;
    Expr forCond = p.forCond;
    std::string forText = p.forText;
    bool desc = p.descending;
    p.clear();
    t.clearOrders();
    t.createOrder(bag, keyText, key, forText, forCond, unique, desc);
}
// OrdCreate(cBag, cTag, cKey, bKey, lUnique): one order per file, named by the bag (or the tag
// when no bag is given).
void fn_ORDCREATE(Frame& f) {
    std::string bag =
        f.arg(1).isString() && !f.arg(1).str().empty() ? f.arg(1).str() : f.strOr(2, "");
    if (bag.empty()) f.argError();
    createOrder(f, bag, 3, 4, 5);
}
// DbCreateIndex(cFile, cKey, bKey, lUnique)
void fn_DBCREATEINDEX(Frame& f) { createOrder(f, f.str(1), 2, 3, 4); }
void fn_DBREINDEX(Frame& f) { need(f).reindex(); }

// --- filter, locate, eval ---

void fn_DBSETFILTER(Frame& f) {
    Table& t = need(f);
    std::string text = f.arg(2).isString() ? f.arg(2).str() : "";
    Expr cond = condition(f, 1, 2);
    if (!cond) {
        t.clearFilter();
        return;
    }
    t.setFilter(std::move(cond), text);
}
void fn_DBCLEARFILTER(Frame& f) {
    if (Table* t = current(f)) t->clearFilter();
}
void fn_DBFILTER(Frame& f) {
    Table* t = current(f);
    f.ret(Value(t ? t->filterText() : std::string()));
}

// The scope of __dbLocate and DbEval: FOR and WHILE blocks, NEXT count, a single RECORD,
// REST (from the current record rather than from the top).
struct Scope {
    Value forBlock, whileBlock;
    long long next = -1;
    std::uint32_t record = 0;
    bool rest = false;
};
struct LocateState {
    static constexpr char kTag = 0;
    explicit LocateState(rt::Runtime&) {}
    std::map<int, Scope> byArea;
};

bool blockTrue(rt::Runtime& rt, const Value& b) { return !b.isBlock() || truthy(rt.eval(b)); }

// Walks the scope from the current position; calls visit for each record that passes FOR;
// visit returns false to stop.
void walkScope(rt::Runtime& rt, Table& t, const Scope& s, bool fromStart,
               const std::function<bool()>& visit) {
    if (s.record) {
        t.goTo(s.record);
        if (!t.eof() && blockTrue(rt, s.whileBlock) && blockTrue(rt, s.forBlock)) visit();
        return;
    }
    if (fromStart && !s.rest && !s.whileBlock.isBlock() && s.next < 0) t.goTop();
    long long left = s.next;
    while (!t.eof() && left != 0) {
        if (!blockTrue(rt, s.whileBlock)) break;
        if (blockTrue(rt, s.forBlock) && !visit()) return;
        if (left > 0) --left;
        if (left == 0) break;
        t.skip(1);
    }
}

Scope scopeOf(Frame& f, int forArg) {
    Scope s;
    s.forBlock = f.arg(forArg);
    s.whileBlock = f.arg(forArg + 1);
    if (f.arg(forArg + 2).isNumber())
        s.next =
            f.arg(forArg + 2).numVal() < 0 ? 0 : static_cast<long long>(f.arg(forArg + 2).numVal());
    if (f.arg(forArg + 3).isNumber())
        s.record = static_cast<std::uint32_t>(std::max(0.0, f.arg(forArg + 3).numVal()));
    s.rest = truthy(f.arg(forArg + 4));
    return s;
}

// Found() tells whether a record passed; the table keeps it until the next move.
void locateFrom(Frame& f, Table& t, Scope s, bool fromStart) {
    rt::Runtime& rt = f.runtime();
    bool hit = false;
    walkScope(rt, t, s, fromStart, [&] {
        hit = true;
        return false;
    });
    t.setFound(hit);
}

// __dbLocate(bFor, bWhile, nNext, nRecord, lRest)
void fn___DBLOCATE(Frame& f) {
    Table& t = need(f);
    Scope s = scopeOf(f, 1);
    f.runtime().extension<LocateState>().byArea[areas(f).current()] = s;
    locateFrom(f, t, s, true);
}
void fn___DBCONTINUE(Frame& f) {
    Table& t = need(f);
    auto& st = f.runtime().extension<LocateState>().byArea;
    auto it = st.find(areas(f).current());
    if (it == st.end() || t.eof()) return;
    Scope s = it->second;
    s.record = 0;
    s.rest = true;
    t.skip(1);
    locateFrom(f, t, s, false);
}
void fn___DBZAP(Frame& f) { need(f).zap(); }
void fn___DBPACK(Frame& f) { need(f).pack(); }
void fn_DBCOMMIT(Frame& f) {
    if (Table* t = current(f)) t->commit();
}
void fn_DBCOMMITALL(Frame& f) {
    auto& wa = areas(f);
    for (int a : wa.usedAreas())
        if (Table* t = wa.table(a)) t->commit();
}
// DbEval(bBlock, bFor, bWhile, nNext, nRecord, lRest)
void fn_DBEVAL(Frame& f) {
    Table& t = need(f);
    if (!f.arg(1).isBlock()) f.argError();
    rt::Runtime& rt = f.runtime();
    Value block = f.arg(1);
    walkScope(rt, t, scopeOf(f, 2), true, [&] {
        rt.eval(block);
        return true;
    });
}

// --- header ---

void fn_HEADER(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? t->header().headerLen : 0));
}
void fn_RECSIZE(Frame& f) {
    Table* t = current(f);
    f.ret(integer(t ? t->header().recLen : 0));
}
void fn_LUPDATE(Frame& f) {
    Table* t = current(f);
    f.ret(Value::date(t ? rt::julianOf(t->header().year, t->header().month, t->header().day) : 0));
}

const rt::Builtin kBuiltins[] = {
    {"DBUSEAREA", fn_DBUSEAREA},
    {"DBCLOSEAREA", fn_DBCLOSEAREA},
    {"DBCLOSEALL", fn_DBCLOSEALL},
    {"DBSELECTAREA", fn_DBSELECTAREA},
    {"SELECT", fn_SELECT},
    {"ALIAS", fn_ALIAS},
    {"USED", fn_USED},
    {"DBF", fn_DBF},
    {"DBSEEK", fn_DBSEEK},
    {"DBSKIP", fn_DBSKIP},
    {"DBGOTOP", fn_DBGOTOP},
    {"DBGOBOTTOM", fn_DBGOBOTTOM},
    {"DBGOTO", fn_DBGOTO},
    {"EOF", fn_EOF},
    {"BOF", fn_BOF},
    {"FOUND", fn_FOUND},
    {"RECNO", fn_RECNO},
    {"RECCOUNT", fn_LASTREC},
    {"LASTREC", fn_LASTREC},
    {"DELETED", fn_DELETED},
    {"DBDELETE", fn_DBDELETE},
    {"DBRECALL", fn_DBRECALL},
    {"DBAPPEND", fn_DBAPPEND},
    {"NETERR", fn_NETERR},
    {"RLOCK", fn_RLOCK},
    {"FLOCK", fn_FLOCK},
    {"DBRLOCK", fn_DBRLOCK},
    {"DBRUNLOCK", fn_DBRUNLOCK},
    {"DBUNLOCK", fn_DBUNLOCK},
    {"DBUNLOCKALL", fn_DBUNLOCKALL},
    {"FIELDGET", fn_FIELDGET},
    {"FIELDPUT", fn_FIELDPUT},
    {"FIELDPOS", fn_FIELDPOS},
    {"FIELDNAME", fn_FIELDNAME},
    {"FCOUNT", fn_FCOUNT},
    {"AFIELDS", fn_AFIELDS},
    {"FIELDBLOCK", fn_FIELDBLOCK},
    {"FIELDWBLOCK", fn_FIELDWBLOCK},
    {"DBSTRUCT", fn_DBSTRUCT},
    {"DBCREATE", fn_DBCREATE},
    {"DBSETORDER", fn_DBSETORDER},
    {"ORDSETFOCUS", fn_ORDSETFOCUS},
    {"INDEXORD", fn_INDEXORD},
    {"INDEXKEY", fn_INDEXKEY},
    {"INDEXEXT", fn_INDEXEXT},
    {"ORDKEY", fn_INDEXKEY},
    {"ORDNAME", fn_ORDNAME},
    {"ORDNUMBER", fn_ORDNUMBER},
    {"ORDBAGNAME", fn_ORDBAGNAME},
    {"ORDFOR", fn_ORDFOR},
    {"ORDLISTADD", fn_ORDLISTADD},
    {"ORDLISTCLEAR", fn_ORDLISTCLEAR},
    {"ORDCONDSET", fn_ORDCONDSET},
    {"ORDCREATE", fn_ORDCREATE},
    {"DBCREATEINDEX", fn_DBCREATEINDEX},
    {"DBSETINDEX", fn_DBSETINDEX},
    {"DBCLEARINDEX", fn_ORDLISTCLEAR},
    {"DBREINDEX", fn_DBREINDEX},
    {"ORDLISTREBUILD", fn_DBREINDEX},
    {"DBSETFILTER", fn_DBSETFILTER},
    {"DBCLEARFILTER", fn_DBCLEARFILTER},
    {"DBFILTER", fn_DBFILTER},
    {"__DBLOCATE", fn___DBLOCATE},
    {"__DBCONTINUE", fn___DBCONTINUE},
    {"__DBZAP", fn___DBZAP},
    {"__DBPACK", fn___DBPACK},
    {"DBCOMMIT", fn_DBCOMMIT},
    {"DBCOMMITALL", fn_DBCOMMITALL},
    {"DBEVAL", fn_DBEVAL},
    {"HEADER", fn_HEADER},
    {"RECSIZE", fn_RECSIZE},
    {"LUPDATE", fn_LUPDATE},
};
}  // namespace

table::WorkAreas& workAreas(rt::Runtime& rt) {
    auto* wa = rt.findExtension<table::WorkAreas>();
    if (wa) return *wa;
    table::WorkAreas& w = table::WorkAreas::of(rt);
    w.setCompiler(
        [&rt](const std::string& text) -> table::Expr { return xbase::callable(rt, text); });
    return w;
}

void registerTableFunctions(rt::Runtime& rt) {
    workAreas(rt);
    rt.registerBuiltins(kBuiltins);
}

}  // namespace xb::stdlib
