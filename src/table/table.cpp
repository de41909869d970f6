#include "table/table.hpp"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <unordered_set>

namespace xb::table {

namespace {
constexpr std::size_t kChunkBytes = 256 * 1024;

struct AreaGuard {
    AreaGuard(rt::Runtime& rt, int area) : h(rt.data()) {
        if (h && area > 0) {
            int cur = h->currentArea();
            if (cur != area) {
                prev = cur;
                h->selectArea(area);
            }
        }
    }
    ~AreaGuard() {
        if (prev > 0) h->selectArea(prev);
    }
    AreaGuard(const AreaGuard&) = delete;
    AreaGuard& operator=(const AreaGuard&) = delete;
    rt::DataHooks* h;
    int prev = 0;
};

// Holds an order's read lock (shared mode) for a navigation step.
struct ReadLock {
    explicit ReadLock(NtxOrder* o, bool optimistic = false) : ord(o) {
        if (ord) ord->beginRead(optimistic);
    }
    ~ReadLock() {
        if (ord) ord->endRead();
    }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;
    NtxOrder* ord;
};

bool hasExtension(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
           dot + 1 < path.size();
}

std::string withExtension(const std::string& name, const char* ext) {
    return hasExtension(name) ? name : name + ext;
}

std::string baseWithoutExtension(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot);
    return path;
}

void today(DbfHeader& h) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    h.year = tm.tm_year + 1900;
    h.month = tm.tm_mon + 1;
    h.day = tm.tm_mday;
}

bool isTrue(const rt::Value& v) { return v.isLogical() && v.logical(); }
}  // namespace

Table::Table(rt::Runtime& rt, EngineState& state, int area) : rt_(rt), state_(state), area_(area) {
    rec_.assign(1, ' ');
}

Table::~Table() {
    try {
        close();
    } catch (...) {
        // A handler that breaks out while a table is destroyed cannot be honoured here.
    }
}

std::string Table::tablePath(const std::string& name) {
    return resolveCase(withExtension(name, ".DBF"));
}

Table::Answer Table::raise(int gen, int subCode, int os, std::string desc, std::string op,
                           std::string file, bool canDefault, bool canRetry) {
    rt::XbError e;
    e.genCode = gen;
    e.osCode = os;
    e.subSystem = "DBFNTX";
    e.subCode = subCode;
    e.description = std::move(desc);
    e.operation = std::move(op);
    e.fileName = std::move(file);
    e.canDefault = canDefault;
    e.canRetry = canRetry;
    rt::ErrorAnswer a = rt_.raise(std::move(e));
    return a.kind == rt::ErrorAnswer::Kind::Retry && canRetry ? Answer::Retry : Answer::Fail;
}

rt::Value Table::evalHere(const Expr& e) {
    AreaGuard g(rt_, area_);
    return e();
}

// --- create ---

bool Table::create(rt::Runtime& rt, const std::string& name, std::vector<Field> fields,
                   MemoKind memo) {
    std::string path = withExtension(name, ".DBF");
    auto fail = [&](int os, const std::string& desc, const std::string& file) {
        rt::XbError e;
        e.genCode = rt::eg::kCreate;
        e.osCode = os;
        e.subSystem = "DBFNTX";
        e.subCode = sub::kCreate;
        e.description = desc;
        e.operation = "DBCREATE";
        e.fileName = file;
        e.canDefault = true;
        rt.raise(std::move(e));
        return false;
    };
    DbfHeader h;
    if (auto why = layoutFields(fields, h.recLen)) return fail(0, "Create error: " + *why, path);
    h.fields = std::move(fields);
    bool hasMemo = h.hasMemoField();
    if (hasMemo && memo == MemoKind::None) memo = MemoKind::Dbt;
    h.version = !hasMemo ? 0x03 : (memo == MemoKind::Fpt ? 0xF5 : 0x83);
    today(h);
    std::string bytes = buildHeader(h);
    h.headerLen = static_cast<int>(bytes.size());
    bytes.push_back(0x1A);
    OsFile f;
    if (int err = f.create(path)) return fail(dosCodeForOpen(err, path), "Create error", path);
    if (!f.writeAt(bytes.data(), bytes.size(), 0)) return fail(5, "Write error", path);
    if (hasMemo) {
        auto m = MemoFile::make(memo);
        std::string mpath = baseWithoutExtension(path) + m->extension();
        if (int err = m->file().create(mpath))
            return fail(dosCodeForOpen(err, mpath), "Create error", mpath);
        if (!m->initialise(64)) return fail(5, "Write error", mpath);
    }
    return true;
}

bool Table::readStructureTable(rt::Runtime& rt, const std::string& path, std::vector<Field>& out) {
    EngineState st;
    Table t(rt, st, 0);
    if (!t.open(path, {true, true})) return false;
    int iName = t.fieldIndex("FIELD_NAME"), iType = t.fieldIndex("FIELD_TYPE"),
        iLen = t.fieldIndex("FIELD_LEN"), iDec = t.fieldIndex("FIELD_DEC");
    if (iName < 0 || iType < 0 || iLen < 0) {
        t.raise(rt::eg::kCreate, sub::kCreate, 0, "Not a structure table", "DBCREATE", path, true,
                false);
        return false;
    }
    out.clear();
    for (std::uint32_t n = 1; n <= t.lastRec(); ++n) {
        if (!t.goTo(n)) break;
        rt::Value name, type, len, dec;
        t.getField(iName, name);
        t.getField(iType, type);
        t.getField(iLen, len);
        if (iDec >= 0) t.getField(iDec, dec);
        Field f;
        f.name = name.isString() ? name.str() : "";
        while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
        f.type = type.isString() && !type.str().empty()
                     ? static_cast<char>(std::toupper(static_cast<unsigned char>(type.str()[0])))
                     : 'C';
        f.len = len.isNumber() ? static_cast<int>(len.numVal()) : 0;
        f.dec = dec.isNumber() ? static_cast<int>(dec.numVal()) : 0;
        if (f.type == 'C' && f.dec > 0) {  // wide character fields keep the high byte there
            f.len += 256 * f.dec;
            f.dec = 0;
        }
        out.push_back(std::move(f));
    }
    return true;
}

// --- open and close ---

bool Table::open(const std::string& name, const OpenOptions& o) {
    close();
    std::string path = tablePath(name);
    const char* op = "DBUSEAREA";
    for (;;) {
        int err = dbf_.open(path, o.readOnly);
        if (err == 0) {
            err = dbf_.shareLock(o.shared ? Share::Shared : Share::Exclusive);
            if (err) dbf_.close();
        }
        if (err == 0) break;
        int os = err == EWOULDBLOCK ? 32 : dosCodeForOpen(err, path);
        if (os == 32) state_.netErr = true;
        if (raise(rt::eg::kOpen, sub::kOpen, os, "Open error", op, path, true, true) ==
            Answer::Retry)
            continue;
        return false;
    }
    auto corrupt = [&](const std::string& why) {
        dbf_.close();
        raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: " + why, op, path, true,
              false);
        return false;
    };
    char first[32];
    if (dbf_.readAt(first, 32, 0) != 32) return corrupt("file shorter than a header");
    int headerLen =
        static_cast<unsigned char>(first[8]) | (static_cast<unsigned char>(first[9]) << 8);
    if (headerLen < 33) return corrupt("bad header length");
    std::string hb(static_cast<std::size_t>(headerLen), '\0');
    if (dbf_.readAt(hb.data(), hb.size(), 0) != headerLen) return corrupt("header truncated");
    if (auto why = parseHeader(hb, hdr_)) return corrupt(*why);
    long long size = dbf_.size();
    std::uint64_t room = size > headerLen ? static_cast<std::uint64_t>(size - headerLen) : 0;
    std::uint64_t fits = room / static_cast<std::uint64_t>(hdr_.recLen);
    if (hdr_.count > fits) {
        // A count beyond the data: report it; if the handler lets it pass, use what is there.
        raise(rt::eg::kCorruption, sub::kCorrupt, 0,
              "Corruption detected: record count beyond the end of the file", op, path, true,
              false);
        hdr_.count = static_cast<std::uint32_t>(fits);
    }
    shared_ = o.shared;
    readOnly_ = o.readOnly;
    memoKind_ = hdr_.hasMemoField() ? hdr_.memoKind() : MemoKind::None;
    if (memoKind_ != MemoKind::None) {
        memo_ = MemoFile::make(memoKind_);
        std::string mpath = resolveCase(baseWithoutExtension(path) + memo_->extension());
        for (;;) {
            int err = memo_->file().open(mpath, o.readOnly);
            if (err == 0) {
                err = memo_->file().shareLock(o.shared ? Share::Shared : Share::Exclusive);
                if (err) memo_->file().close();
            }
            if (err == 0) break;
            int os = err == EWOULDBLOCK ? 32 : dosCodeForOpen(err, mpath);
            if (os == 32) state_.netErr = true;
            if (raise(rt::eg::kOpen, sub::kOpen, os, "Open error", op, mpath, true, true) ==
                Answer::Retry)
                continue;
            memo_.reset();
            dbf_.close();
            return false;
        }
        memo_->setShared(o.shared);
        if (!memo_->load()) {
            memo_.reset();
            return corrupt("memo file header");
        }
    }
    rec_.assign(static_cast<std::size_t>(hdr_.recLen), ' ');
    bufferChanged();
    fieldCache_.assign(hdr_.fields.size(), rt::Value());
    fieldCacheGen_.assign(hdr_.fields.size(), 0);
    chunk_.clear();
    chunkCount_ = 0;
    goTop();
    return true;
}

void Table::close() {
    if (!dbf_.isOpen()) return;
    flush();
    bool ok = true;
    for (auto& o : orders_) ok = o.ntx->flush() && ok;
    if (!readOnly_ && headerDirty_) writeHeader();
    if (written_) {
        dbf_.sync();
        if (memo_) memo_->file().sync();
        for (auto& o : orders_) o.ntx->file().sync();
    }
    unlockAll();
    orders_.clear();
    controlling_ = 0;
    memo_.reset();
    dbf_.close();
    filter_ = nullptr;
    filterText_.clear();
    locateFor_ = nullptr;
    hdr_ = DbfHeader{};
    rec_.assign(1, ' ');
    bufferChanged();
    fieldCache_.clear();
    fieldCacheGen_.clear();
    recNo_ = 0;
    eof_ = bof_ = true;
    found_ = dirty_ = appended_ = headerDirty_ = written_ = false;
    pendingMemo_.clear();
    chunk_.clear();
    chunkCount_ = 0;
}

bool Table::writeHeader() {
    char p[32] = {};
    if (shared_) {
        // Others may have appended since: take the count from the file under the append lock.
        bool locked = dbf_.lock(kLockBase, 1, true, true) == 0;
        refreshCount();
        patchHeaderPrefix(hdr_, p);
        bool ok = dbf_.writeAt(p + 1, 7, 1);
        if (locked) dbf_.unlock(kLockBase, 1);
        headerDirty_ = false;
        return ok;
    }
    patchHeaderPrefix(hdr_, p);
    if (!dbf_.writeAt(p + 1, 7, 1)) return false;
    if (!shared_) {
        std::uint64_t end = recordOffset(hdr_.count + 1);
        char eofMark = 0x1A;
        dbf_.writeAt(&eofMark, 1, end);
        long long size = dbf_.size();
        if (size > static_cast<long long>(end + 1)) dbf_.truncate(end + 1);
    }
    headerDirty_ = false;
    return true;
}

void Table::markChanged() {
    if (!headerDirty_) today(hdr_);
    headerDirty_ = true;
    written_ = true;
}

bool Table::refreshCount(bool checkSize) {
    char c[4];
    if (dbf_.readAt(c, 4, 4) != 4) return false;
    auto* u = reinterpret_cast<unsigned char*>(c);
    std::uint32_t n = u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
    if (!checkSize) {  // under the append lock the header count is the writers' own
        if (n > hdr_.count || !shared_) hdr_.count = n;
        return true;
    }
    long long size = dbf_.size();
    std::uint64_t room =
        size > hdr_.headerLen ? static_cast<std::uint64_t>(size - hdr_.headerLen) : 0;
    std::uint64_t fits = room / static_cast<std::uint64_t>(hdr_.recLen);
    if (n > fits) n = static_cast<std::uint32_t>(fits);
    if (n > hdr_.count || !shared_) hdr_.count = n;
    return true;
}

std::uint32_t Table::lastRec() {
    if (shared_ && dbf_.isOpen()) refreshCount();
    return hdr_.count;
}

int Table::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < hdr_.fields.size(); ++i) {
        const std::string& f = hdr_.fields[i].name;
        if (f.size() == name.size() && strncasecmp(f.data(), name.data(), name.size()) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

// --- records ---

bool Table::readRecord(std::uint32_t n, bool sequential) {
    bufferChanged();
    const auto rl = static_cast<std::size_t>(hdr_.recLen);

    // Shared, only a scan takes records from the read-ahead: a move to a chosen record reads
    // what other users wrote since.
    if (chunkCount_ > 0 && (sequential || !shared_) && n >= chunkFirst_ &&
        n < chunkFirst_ + chunkCount_) {
        std::memcpy(rec_.data(), chunk_.data() + (n - chunkFirst_) * rl, rl);
        recNo_ = n;
        lastRead_ = n;
        return true;
    }
    // Read ahead for scans: forward moves, and in exclusive mode moves near the last one.
    bool near = !shared_ && lastRead_ != 0 && n + 64 >= lastRead_ && n <= lastRead_ + 1024;
    std::uint32_t perChunk = static_cast<std::uint32_t>(std::max<std::size_t>(1, kChunkBytes / rl));
    if ((sequential || near) && perChunk > 1) {
        std::uint32_t firstRec = sequential ? n : (n > perChunk / 8 ? n - perChunk / 8 : 1);
        std::uint32_t cnt = std::min<std::uint32_t>(perChunk, hdr_.count - firstRec + 1);
        chunk_.resize(static_cast<std::size_t>(cnt) * rl);
        long long got = dbf_.readAt(chunk_.data(), chunk_.size(), recordOffset(firstRec));
        chunkCount_ = got > 0 ? static_cast<std::uint32_t>(static_cast<std::size_t>(got) / rl) : 0;
        chunkFirst_ = firstRec;
        if (n >= chunkFirst_ && n < chunkFirst_ + chunkCount_) {
            std::memcpy(rec_.data(), chunk_.data() + (n - chunkFirst_) * rl, rl);
            recNo_ = n;
            lastRead_ = n;
            return true;
        }
    } else if (dbf_.readAt(rec_.data(), rl, recordOffset(n)) == static_cast<long long>(rl)) {
        recNo_ = n;
        lastRead_ = n;
        return true;
    }
    raise(rt::eg::kRead, sub::kRead, errno == 0 ? 0 : 5, "Read error", "READ", dbf_.path(), true,
          false);
    setPhantom();
    return false;
}

void Table::setPhantom() {
    std::fill(rec_.begin(), rec_.end(), ' ');
    bufferChanged();
    recNo_ = hdr_.count + 1;
    eof_ = true;
}

bool Table::visible() {
    if (rt_.settings().deleted && rec_[0] == '*') return false;
    if (filter_) {
        rt::Value v = evalHere(filter_);
        if (v.isLogical() && !v.logical()) return false;
    }
    return true;
}

bool Table::keyOf(OrderSlot& o, std::string& key, bool& inFor) {
    inFor = true;
    const NtxInfo& info = o.ntx->info();
    if (!o.key) {
        key.assign(static_cast<std::size_t>(info.keyLen), ' ');
        return false;
    }
    if (o.forCond) inFor = isTrue(evalHere(o.forCond));
    rt::Value v = evalHere(o.key);
    if (!keyBytes(v, info.keyLen, info.keyDec, key)) {
        key.assign(static_cast<std::size_t>(info.keyLen), ' ');
        return false;
    }
    return true;
}

bool Table::positionOrder() {
    OrderSlot& o = orders_[static_cast<std::size_t>(controlling_ - 1)];
    if (o.ntx->positioned() && o.ntx->cursorRecno() == recNo_) return true;
    std::string key;
    bool inFor;
    keyOf(o, key, inFor);
    return o.ntx->find(key, recNo_);
}

// One raw step in the controlling order (or natural order), ignoring visibility. False at the
// end, with the buffer unchanged.
bool Table::skipOrder(int dir) {
    OrderSlot& o = orders_[static_cast<std::size_t>(controlling_ - 1)];
    ReadLock lk(o.ntx->shared() ? o.ntx.get() : nullptr);
    std::uint32_t r;
    if (eof_) {
        r = dir > 0 ? 0 : o.ntx->last();
    } else {
        bool exact = positionOrder();
        if (dir > 0) {
            r = exact ? o.ntx->next() : (o.ntx->positioned() ? o.ntx->cursorRecno() : 0);
        } else {
            r = o.ntx->prev();
        }
    }
    if (!o.ntx->damage().empty()) {
        std::string why = o.ntx->damage();
        o.ntx->clearDamage();
        raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: " + why, "SKIP",
              o.ntx->path(), true, false);
        return false;
    }
    if (r == 0) return false;
    if (r > hdr_.count) refreshCount();
    if (r > hdr_.count) return false;
    return readRecord(r, false);
}

bool Table::skipNatural(int dir) {
    if (dir > 0) {
        std::uint32_t n = eof_ ? hdr_.count + 1 : recNo_ + 1;
        if (eof_) return false;
        if (n > hdr_.count && shared_) refreshCount();
        if (n > hdr_.count) return false;
        return readRecord(n, true);
    }
    std::uint32_t n;
    if (eof_) {
        if (shared_) refreshCount();
        n = hdr_.count;
    } else {
        n = recNo_ - 1;
    }
    if (n < 1) return false;
    return readRecord(n, false);
}

// One raw step, with a budget: a sound order yields each record once, so more steps than
// records (a cycle in a damaged order) end the walk as a corruption instead of looping.
bool Table::step(int dir, std::uint64_t& budget) {
    if (budget-- == 0) {
        raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: order loops", "SKIP",
              controlling_ ? orders_[static_cast<std::size_t>(controlling_ - 1)].path : path(),
              true, false);
        return false;
    }
    return controlling_ ? skipOrder(dir) : skipNatural(dir);
}

std::uint64_t Table::stepBudget() const { return 2ULL * hdr_.count + 64; }

bool Table::settle(int dir) {
    std::uint64_t budget = stepBudget();
    while (!visible()) {
        if (!step(dir, budget)) return false;
    }
    return true;
}

bool Table::goTop() {
    if (!dbf_.isOpen()) return false;
    flush();
    found_ = false;
    bof_ = eof_ = false;
    std::uint32_t r = 0;
    if (controlling_) {
        OrderSlot& o = orders_[static_cast<std::size_t>(controlling_ - 1)];
        ReadLock lk(o.ntx->shared() ? o.ntx.get() : nullptr);
        r = o.ntx->first();
        if (r > hdr_.count) refreshCount();
        if (r > hdr_.count) r = 0;
    } else {
        if (shared_) refreshCount();
        r = hdr_.count > 0 ? 1 : 0;
    }
    if (r == 0 || !readRecord(r, !controlling_) || !settle(+1)) {
        setPhantom();
        bof_ = eof_ = true;
        return false;
    }
    return true;
}

bool Table::goBottom() {
    if (!dbf_.isOpen()) return false;
    flush();
    found_ = false;
    bof_ = eof_ = false;
    if (shared_) refreshCount();
    std::uint32_t r = 0;
    if (controlling_) {
        OrderSlot& o = orders_[static_cast<std::size_t>(controlling_ - 1)];
        ReadLock lk(o.ntx->shared() ? o.ntx.get() : nullptr);
        r = o.ntx->last();
        if (r > hdr_.count) r = 0;
    } else {
        r = hdr_.count;
    }
    if (r == 0 || !readRecord(r, false) || !settle(-1)) {
        setPhantom();
        bof_ = eof_ = true;
        return false;
    }
    return true;
}

bool Table::skip(long long n) {
    if (!dbf_.isOpen()) return false;
    flush();
    found_ = false;
    if (n == 0) {
        if (!eof_) readRecord(recNo_, false);
        return true;
    }
    if (n > 0) {
        bof_ = false;
        if (eof_) return true;
        std::uint64_t budget = stepBudget();
        for (long long i = 0; i < n; ++i) {
            do {
                if (!step(+1, budget)) {
                    setPhantom();
                    return true;
                }
            } while (!visible());
        }
        return true;
    }
    eof_ = false;
    bool fromPhantom = recNo_ > hdr_.count || recNo_ == 0;
    if (fromPhantom) {
        // Back from the phantom record: the last visible record is the first step.
        if (!goBottom()) return true;
        ++n;
    }
    std::uint64_t budget = stepBudget();
    for (long long i = 0; i < -n; ++i) {
        do {
            if (!step(-1, budget)) {
                goTop();
                bof_ = true;
                return true;
            }
        } while (!visible());
    }
    bof_ = false;
    return true;
}

bool Table::goTo(std::uint32_t n) {
    if (!dbf_.isOpen()) return false;
    flush();
    found_ = false;
    if (n > hdr_.count && shared_) refreshCount();
    if (n < 1 || n > hdr_.count) {
        setPhantom();
        bof_ = hdr_.count == 0;
        return false;
    }
    eof_ = bof_ = false;
    return readRecord(n, false);
}

bool Table::seek(const rt::Value& v, bool soft, bool lastOne) {
    if (!dbf_.isOpen()) return false;
    flush();
    found_ = false;
    if (!controlling_) {
        raise(rt::eg::kNoOrder, sub::kNoOrder, 0, "Workarea not indexed", "DBSEEK", dbf_.path(),
              true, false);
        return false;
    }
    OrderSlot& o = orders_[static_cast<std::size_t>(controlling_ - 1)];
    const NtxInfo& info = o.ntx->info();
    std::string key;
    if (v.isString()) {
        key.assign(v.str(), 0, std::min(v.str().size(), static_cast<std::size_t>(info.keyLen)));
    } else if (!keyBytes(v, info.keyLen, info.keyDec, key)) {
        raise(rt::eg::kDataType, sub::kDataType, 0, "Data type error", "DBSEEK", dbf_.path(), true,
              false);
        return false;
    }
    // Without a filter nothing but the order is consulted before the record is known to be
    // visible, so the seek may run on still-current cached pages without taking the lock.
    ReadLock lk(o.ntx->shared() ? o.ntx.get() : nullptr, !filter_);
    bool f = false;
    auto lookUp = [&] {  // the record of the key in the buffer; false on the phantom
        std::uint32_t r = o.ntx->seek(key, f, lastOne);
        if (o.ntx->takeStale()) {  // the tree changed under the pages used: look again, locked
            o.ntx->clearDamage();
            r = o.ntx->seek(key, f, lastOne);
        }
        if (!o.ntx->damage().empty()) {
            std::string why = o.ntx->damage();
            o.ntx->clearDamage();
            raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: " + why, "DBSEEK",
                  o.ntx->path(), true, false);
            r = 0;
        }
        if (r > hdr_.count) refreshCount();
        bof_ = eof_ = false;
        if (r == 0 || r > hdr_.count || !readRecord(r, false)) {
            setPhantom();
            return false;
        }
        return true;
    };
    if (!lookUp()) return false;
    // Settling walks the order, which needs its lock; a tree that changed meanwhile is looked
    // up again.
    if (!visible() && o.ntx->holdReadLock()) {
        o.ntx->clearDamage();
        if (!lookUp()) return false;
    }
    if (!visible()) {
        if (!settle(+1)) {
            setPhantom();
            return false;
        }
        f = o.ntx->positioned() &&
            o.ntx->compare(o.ntx->cursorKey().data(), key.data(), key.size()) == 0;
    }
    found_ = f;
    if (!found_ && !soft) setPhantom();
    return found_;
}

// --- fields ---

bool Table::getField(int i, rt::Value& out) {
    if (i < 0 || i >= fieldCount()) return false;
    const Field& f = field(i);
    if (f.type == 'M') {
        auto it = pendingMemo_.find(i);
        if (it != pendingMemo_.end()) {
            out = rt::Value::memo(it->second);
            return true;
        }
        std::string text;
        std::uint32_t block = memoBlockOf(rec_.data() + f.offset, f.len);
        if (memo_ && block != 0 && !memo_->read(block, text)) {
            raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: " + memo_->error(),
                  "FIELDGET", memo_->file().path(), true, false);
            text.clear();
        }
        out = rt::Value::memo(std::move(text));
        return true;
    }
    auto k = static_cast<std::size_t>(i);
    if (k < fieldCacheGen_.size()) {
        if (fieldCacheGen_[k] != recGen_) {
            decodeField(f, rec_.data() + f.offset, fieldCache_[k]);
            fieldCacheGen_[k] = recGen_;
        }
        out = fieldCache_[k];
        return true;
    }
    decodeField(f, rec_.data() + f.offset, out);
    return true;
}

bool Table::writable(const char* op) {
    if (!dbf_.isOpen()) return false;
    if (readOnly_) {
        raise(rt::eg::kReadOnly, sub::kReadOnly, 0, "Write not allowed", op, dbf_.path(), true,
              false);
        return false;
    }
    return true;
}

bool Table::canWrite(const char* op) {
    if (!writable(op)) return false;
    if (shared_ && !fileLocked_ && !locks_.count(recNo_)) {
        raise(rt::eg::kUnlocked, sub::kUnlocked, 0, "Lock required", op, dbf_.path(), true, false);
        return false;
    }
    return true;
}

void Table::rememberOldKeys() {
    oldKeys_.resize(orders_.size());
    oldInFor_.resize(orders_.size());
    for (std::size_t k = 0; k < orders_.size(); ++k) {
        bool inFor;
        keyOf(orders_[k], oldKeys_[k], inFor);
        oldInFor_[k] = inFor;
    }
}

bool Table::putField(int i, const rt::Value& v) {
    if (i < 0 || i >= fieldCount()) return false;
    if (eof_) return true;  // the phantom record takes no values
    if (!canWrite("FIELDPUT")) return false;
    const Field& f = field(i);
    if (!dirty_ && !appended_) rememberOldKeys();
    if (f.type == 'M') {
        if (!v.isString()) {
            raise(rt::eg::kDataType, sub::kDataType, 0, "Data type error", "FIELDPUT " + f.name,
                  dbf_.path(), true, false);
            return false;
        }
        if (!memo_) return false;
        pendingMemo_[i] = v.str();
        dirty_ = true;
        markChanged();
        return true;
    }
    bool overflow = false;
    bufferChanged();
    if (!encodeField(f, v, rec_.data() + f.offset, overflow)) {
        raise(rt::eg::kDataType, sub::kDataType, 0, "Data type error", "FIELDPUT " + f.name,
              dbf_.path(), true, false);
        return false;
    }
    if (overflow) {
        raise(rt::eg::kDataWidth, sub::kDataWidth, 0, "Data width error", "FIELDPUT " + f.name,
              dbf_.path(), true, false);
        return false;
    }
    dirty_ = true;
    markChanged();
    return true;
}

// --- changes ---

bool Table::flush() {
    if (!dirty_ && !appended_) return true;
    if (readOnly_ || !dbf_.isOpen() || recNo_ < 1 || recNo_ > hdr_.count) {
        dirty_ = appended_ = false;
        pendingMemo_.clear();
        return false;
    }
    bool ok = true;
    for (auto& [i, text] : pendingMemo_) {
        const Field& f = field(i);
        char* p = rec_.data() + f.offset;
        bufferChanged();
        auto block = memo_->write(memoBlockOf(p, f.len), text);
        if (!block) {
            raise(rt::eg::kWrite, sub::kWrite, 5, "Write error", "FLUSH", memo_->file().path(),
                  true, false);
            ok = false;
            continue;
        }
        setMemoBlock(p, f.len, *block);
    }
    pendingMemo_.clear();
    const auto rl = static_cast<std::size_t>(hdr_.recLen);
    bool lastOne = recNo_ == hdr_.count && !shared_;
    std::uint64_t off = recordOffset(recNo_);
    bool wrote;
    if (lastOne) {  // the record and the end mark in one write
        wbuf_.assign(rec_.begin(), rec_.end());
        wbuf_.push_back(0x1A);
        wrote = dbf_.writeAt(wbuf_.data(), wbuf_.size(), off);
    } else {
        wrote = dbf_.writeAt(rec_.data(), rl, off);
    }
    if (!wrote) {
        raise(rt::eg::kWrite, sub::kWrite, 5, "Write error", "FLUSH", dbf_.path(), true, false);
        ok = false;
    }
    if (chunkCount_ > 0 && recNo_ >= chunkFirst_ && recNo_ < chunkFirst_ + chunkCount_)
        std::memcpy(chunk_.data() + (recNo_ - chunkFirst_) * rl, rec_.data(), rl);
    std::string key;
    for (std::size_t k = 0; k < orders_.size(); ++k) {
        OrderSlot& o = orders_[k];
        bool inFor;
        keyOf(o, key, inFor);
        bool isNew = appended_ || k >= oldKeys_.size();
        if (!isNew && oldKeys_[k] == key && (oldInFor_[k] != 0) == inFor) continue;
        if (!o.key) continue;
        if (!o.ntx->beginWrite()) {
            ok = false;
            continue;
        }
        bool done = true;
        if (!isNew && oldInFor_[k]) done = o.ntx->remove(oldKeys_[k], recNo_);
        if (done && inFor) done = o.ntx->insert(key, recNo_);
        if (!o.ntx->endWrite()) done = false;
        if (!done) {
            std::string why = o.ntx->damage().empty() ? "write error" : o.ntx->damage();
            o.ntx->clearDamage();
            raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: " + why, "FLUSH",
                  o.ntx->path(), true, false);
            ok = false;
        }
    }
    oldKeys_.clear();
    oldInFor_.clear();
    dirty_ = appended_ = false;
    written_ = true;
    return ok;
}

bool Table::commit() {
    if (!dbf_.isOpen()) return false;
    bool ok = flush();
    for (auto& o : orders_) ok = o.ntx->flush() && ok;
    if (!readOnly_) {
        if (headerDirty_) ok = writeHeader() && ok;
        if (written_) {
            ok = dbf_.sync() && ok;
            if (memo_) memo_->file().sync();
            for (auto& o : orders_) o.ntx->file().sync();
        }
    }
    return ok;
}

bool Table::append() {
    if (!writable("DBAPPEND")) return false;
    flush();
    state_.netErr = false;
    found_ = false;
    std::uint32_t n;
    if (shared_) {
        int err = 0;
        // The append lock is held only for the moment of an append: wait a little for it.
        for (int tries = 0; tries < 2000; ++tries) {
            err = dbf_.lock(kLockBase, 1, true, false);
            if (err == 0 || dosCodeForLock(err) != 32) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        auto refuse = [&](int os) {
            state_.netErr = true;
            raise(rt::eg::kAppendLock, sub::kAppendLock, os, "Append lock failed", "DBAPPEND",
                  dbf_.path(), true, false);
            return false;
        };
        if (err) return refuse(dosCodeForLock(err));
        refreshCount(false);
        n = hdr_.count + 1;
        if (!fileLocked_) {
            for (auto r : locks_) dbf_.unlock(kLockBase + r, 1);
            locks_.clear();
            err = dbf_.lock(kLockBase + n, 1, true, false);
            if (err) {
                dbf_.unlock(kLockBase, 1);
                return refuse(dosCodeForLock(err));
            }
            locks_.insert(n);
        }
        std::string buf(static_cast<std::size_t>(hdr_.recLen), ' ');
        buf.push_back(0x1A);
        bool ok = dbf_.writeAt(buf.data(), buf.size(), recordOffset(n));
        if (ok) {
            hdr_.count = n;
            today(hdr_);
            char p[32] = {};
            patchHeaderPrefix(hdr_, p);
            ok = dbf_.writeAt(p + 1, 7, 1);
        }
        dbf_.unlock(kLockBase, 1);
        if (!ok) {
            raise(rt::eg::kWrite, sub::kWrite, 5, "Write error", "DBAPPEND", dbf_.path(), true,
                  false);
            return false;
        }
    } else {
        n = ++hdr_.count;
    }
    std::fill(rec_.begin(), rec_.end(), ' ');
    bufferChanged();
    recNo_ = n;
    eof_ = bof_ = false;
    appended_ = true;
    dirty_ = true;
    markChanged();
    return true;
}

bool Table::deleteRecord() { return setDeletionFlag('*', "DBDELETE"); }

bool Table::recall() { return setDeletionFlag(' ', "DBRECALL"); }

bool Table::setDeletionFlag(char flag, const char* operation) {
    if (eof_) return true;
    if (!canWrite(operation)) return false;
    if (!dirty_ && !appended_) rememberOldKeys();
    rec_[0] = flag;
    bufferChanged();
    dirty_ = true;
    markChanged();
    return true;
}

bool Table::zap() {
    if (!writable("__DBZAP")) return false;
    if (shared_) {
        raise(rt::eg::kShared, sub::kShared, 0, "Exclusive required", "__DBZAP", dbf_.path(), true,
              false);
        return false;
    }
    dirty_ = appended_ = false;
    pendingMemo_.clear();
    chunkCount_ = 0;
    hdr_.count = 0;
    markChanged();
    bool ok = dbf_.truncate(static_cast<std::uint64_t>(hdr_.headerLen)) && writeHeader();
    if (memo_) ok = memo_->clear() && ok;
    for (auto& o : orders_) ok = o.ntx->clear() && ok;
    goTop();
    return ok;
}

bool Table::pack() {
    if (!dbf_.isOpen()) return false;
    if (readOnly_ || shared_) {
        raise(readOnly_ ? rt::eg::kReadOnly : rt::eg::kShared,
              readOnly_ ? sub::kReadOnly : sub::kShared, 0,
              readOnly_ ? "Write not allowed" : "Exclusive required", "__DBPACK", dbf_.path(), true,
              false);
        return false;
    }
    flush();
    chunkCount_ = 0;
    const auto rl = static_cast<std::size_t>(hdr_.recLen);
    std::vector<char> buf(rl);
    std::uint32_t w = 0;
    for (std::uint32_t r = 1; r <= hdr_.count; ++r) {
        if (dbf_.readAt(buf.data(), rl, recordOffset(r)) != static_cast<long long>(rl)) break;
        if (buf[0] == '*') continue;
        ++w;
        if (w != r && !dbf_.writeAt(buf.data(), rl, recordOffset(w))) return false;
    }
    hdr_.count = w;
    markChanged();
    dbf_.truncate(recordOffset(w + 1));
    writeHeader();
    bool ok = reindex();
    goTop();
    return ok;
}

// --- locks ---

bool Table::lockRecord(std::uint32_t n, bool releaseOthers) {
    if (!dbf_.isOpen()) return false;
    if (!shared_) return true;
    if (n > hdr_.count) refreshCount();
    if (n < 1 || n > hdr_.count) return false;
    flush();
    if (releaseOthers) unlockAll();
    if (fileLocked_ || locks_.count(n)) return true;
    if (dbf_.lock(kLockBase + n, 1, !readOnly_, false) != 0) return false;
    locks_.insert(n);
    chunkCount_ = 0;
    if (n == recNo_ && !eof_) readRecord(n, false);  // what the last holder wrote
    return true;
}

bool Table::lockFile() {
    if (!dbf_.isOpen()) return false;
    if (!shared_) return true;
    if (fileLocked_) return true;
    unlockAll();
    if (dbf_.lock(kLockBase + 1, kLockBase, !readOnly_, false) != 0) return false;
    fileLocked_ = true;
    chunkCount_ = 0;
    refreshCount();
    if (!eof_) readRecord(recNo_, false);
    return true;
}

void Table::unlockRecord(std::uint32_t n) {
    if (!locks_.count(n)) return;
    if (n == recNo_) flush();
    dbf_.unlock(kLockBase + n, 1);
    locks_.erase(n);
}

void Table::unlockAll() {
    if (!dbf_.isOpen()) return;
    flush();
    for (auto r : locks_) dbf_.unlock(kLockBase + r, 1);
    locks_.clear();
    if (fileLocked_) dbf_.unlock(kLockBase + 1, kLockBase);
    fileLocked_ = false;
}

// --- orders ---

void Table::setControllingOrder(int n) {
    flush();
    controlling_ = n >= 0 && n <= orderCount() ? n : controlling_;
}

bool Table::addOrder(const std::string& name) {
    if (!dbf_.isOpen()) return false;
    flush();
    std::string path = resolveCase(withExtension(name, ".NTX"));
    if (orders_.size() >= 8) {
        raise(rt::eg::kLimit, sub::kOrder, 0, "Too many orders", "DBSETINDEX", path, true, false);
        return false;
    }
    auto ntx = std::make_unique<NtxOrder>();
    for (;;) {
        int err = ntx->open(path, readOnly_, shared_ ? Share::Shared : Share::Exclusive);
        if (err == 0) break;
        if (err == EBADMSG) {
            raise(rt::eg::kCorruption, sub::kCorrupt, 0, "Corruption detected: not an index file",
                  "DBSETINDEX", path, true, false);
            return false;
        }
        int os = err == EWOULDBLOCK ? 32 : dosCodeForOpen(err, path);
        if (os == 32) state_.netErr = true;
        if (raise(rt::eg::kOpen, sub::kOpen, os, "Open error", "DBSETINDEX", path, true, true) ==
            Answer::Retry)
            continue;
        return false;
    }
    OrderSlot slot;
    if (state_.compiler) {
        slot.key = state_.compiler(ntx->info().keyExpr);
        if (!ntx->info().forExpr.empty()) slot.forCond = state_.compiler(ntx->info().forExpr);
    }
    slot.path = path;
    slot.ntx = std::move(ntx);
    orders_.push_back(std::move(slot));
    if (controlling_ == 0) controlling_ = 1;
    return true;
}

void Table::clearOrders() {
    flush();
    for (auto& o : orders_) o.ntx->flush();
    orders_.clear();
    controlling_ = 0;
}

bool Table::createOrder(const std::string& name, const std::string& keyText, Expr key,
                        const std::string& forText, Expr forCond, bool unique, bool descending) {
    if (!dbf_.isOpen() || !key) return false;
    flush();
    std::string path = withExtension(name, ".NTX");
    if (auto existing = resolveCase(path); fileExists(existing)) path = existing;
    NtxInfo info;
    info.keyExpr = keyText;
    info.forExpr = forText;
    info.unique = unique;
    info.descending = descending;
    std::string keys, one;
    std::vector<std::uint32_t> recnos;
    chunkCount_ = 0;
    bool shaped = false;
    auto shapeFrom = [&](const rt::Value& v) {
        if (!keyShape(v, info.keyLen, info.keyDec)) {
            raise(rt::eg::kDataType, sub::kDataType, 0, "Data type error: key expression",
                  "ORDCREATE", path, true, false);
            return false;
        }
        shaped = true;
        return true;
    };
    if (shared_) refreshCount();
    const std::uint32_t count = hdr_.count;
    recnos.reserve(count);
    for (std::uint32_t r = 1; r <= count; ++r) {
        if (!readRecord(r, true)) return false;
        eof_ = false;
        if (forCond && !isTrue(evalHere(forCond))) continue;
        rt::Value v = evalHere(key);
        if (!shaped && !shapeFrom(v)) return false;
        if (!keyBytes(v, info.keyLen, info.keyDec, one))
            one.assign(static_cast<std::size_t>(info.keyLen), ' ');
        keys += one;
        recnos.push_back(r);
    }
    if (!shaped) {
        setPhantom();
        if (!shapeFrom(evalHere(key))) return false;
    }
    NtxOrder::sortEntries(info, keys, recnos);
    // Another order open on the same file is closed first: the file is replaced.
    for (std::size_t k = 0; k < orders_.size(); ++k) {
        if (orders_[k].path == path) {
            orders_.erase(orders_.begin() + static_cast<long>(k));
            controlling_ = orders_.empty() ? 0 : 1;
            break;
        }
    }
    if (int err = NtxOrder::build(path, info, keys, recnos)) {
        raise(rt::eg::kCreate, sub::kCreate, dosCodeForOpen(err, path), "Create error", "ORDCREATE",
              path, true, false);
        goTop();
        return false;
    }
    written_ = true;
    auto ntx = std::make_unique<NtxOrder>();
    if (int err = ntx->open(path, readOnly_, shared_ ? Share::Shared : Share::Exclusive)) {
        raise(rt::eg::kOpen, sub::kOpen, dosCodeForOpen(err, path), "Open error", "ORDCREATE", path,
              true, false);
        goTop();
        return false;
    }
    if (orders_.size() >= 8) orders_.pop_back();
    OrderSlot slot;
    slot.ntx = std::move(ntx);
    slot.key = std::move(key);
    slot.forCond = std::move(forCond);
    slot.path = path;
    orders_.push_back(std::move(slot));
    controlling_ = orderCount();
    goTop();
    return true;
}

bool Table::reindex() {
    if (!dbf_.isOpen()) return false;
    flush();
    bool ok = true;
    int ctl = controlling_;
    std::vector<OrderSlot> old;
    old.swap(orders_);
    controlling_ = 0;
    for (auto& o : old) {
        NtxInfo info = o.ntx->info();
        std::string path = o.path;
        o.ntx->close();
        Expr key = o.key, forCond = o.forCond;
        if (!key && state_.compiler) key = state_.compiler(info.keyExpr);
        if (!forCond && !info.forExpr.empty() && state_.compiler)
            forCond = state_.compiler(info.forExpr);
        if (!key || !createOrder(path, info.keyExpr, key, info.forExpr, forCond, info.unique,
                                 info.descending)) {
            ok = false;
        }
    }
    controlling_ = ctl <= orderCount() ? ctl : (orders_.empty() ? 0 : 1);
    goTop();
    return ok;
}

bool Table::verifyOrder(int n, std::vector<std::string>& report) {
    if (n < 1 || n > orderCount()) return false;
    flush();
    OrderSlot& o = orders_[static_cast<std::size_t>(n - 1)];
    NtxOrder& ntx = *o.ntx;
    const auto kl = static_cast<std::size_t>(ntx.info().keyLen);
    const std::size_t before = report.size();
    auto note = [&](std::string s) {
        if (report.size() - before < 50) report.push_back(std::move(s));
    };
    if (shared_) refreshCount();
    const std::uint32_t count = hdr_.count;
    std::vector<std::string> keyOfRec(count + 1);
    std::vector<char> seen(count + 1, 0);
    std::string prev;
    std::uint64_t entries = 0;
    {
        ReadLock lk(ntx.shared() ? &ntx : nullptr);
        bool walked = ntx.walk([&](std::string_view key, std::uint32_t r) {
            ++entries;
            if (!prev.empty() && ntx.compare(prev.data(), key.data(), kl) > 0)
                note("key out of order at record " + std::to_string(r));
            prev.assign(key);
            if (r < 1 || r > count) {
                note("entry for record " + std::to_string(r) + " beyond the table");
                return entries < 100000000;
            }
            if (seen[r]) note("record " + std::to_string(r) + " appears twice");
            seen[r] = 1;
            keyOfRec[r].assign(key);
            return entries <= static_cast<std::uint64_t>(count) * 2 + 16;
        });
        if (!walked) {
            note("damaged order: " + ntx.damage());
            ntx.clearDamage();
        }
    }
    if (o.key) {
        std::uint32_t keep = recNo_;
        bool keepEof = eof_;
        std::string key;
        std::unordered_set<std::string> keysInOrder;
        if (ntx.info().unique)
            for (std::uint32_t r = 1; r <= count; ++r)
                if (seen[r]) keysInOrder.insert(keyOfRec[r]);
        for (std::uint32_t r = 1; r <= count; ++r) {
            if (!readRecord(r, true)) break;
            eof_ = false;
            bool inFor;
            keyOf(o, key, inFor);
            if (!inFor) {
                if (seen[r])
                    note("record " + std::to_string(r) +
                         " is in the order but fails its FOR condition");
                continue;
            }
            if (!seen[r]) {
                // A unique order holds one record of each key.
                if (!ntx.info().unique || !keysInOrder.count(key))
                    note("record " + std::to_string(r) + " missing from the order");
            } else if (keyOfRec[r] != key) {
                note("record " + std::to_string(r) + " has key \"" + keyOfRec[r] +
                     "\" in the order, \"" + key + "\" by its expression");
            }
        }
        if (keepEof || !goTo(keep)) goTop();
    }
    return report.size() == before;
}

// --- filter and locate ---

void Table::setFilter(Expr cond, std::string text) {
    filter_ = std::move(cond);
    filterText_ = std::move(text);
}

void Table::clearFilter() {
    filter_ = nullptr;
    filterText_.clear();
}

bool Table::locate(Expr cond, bool fromTop) {
    locateFor_ = std::move(cond);
    if (fromTop) goTop();
    while (!eof_) {
        if (isTrue(evalHere(locateFor_))) {
            found_ = true;
            return true;
        }
        skip(1);
    }
    found_ = false;
    return false;
}

bool Table::continueLocate() {
    if (!locateFor_ || eof_) {
        found_ = false;
        return false;
    }
    skip(1);
    while (!eof_) {
        if (isTrue(evalHere(locateFor_))) {
            found_ = true;
            return true;
        }
        skip(1);
    }
    found_ = false;
    return false;
}

}  // namespace xb::table
