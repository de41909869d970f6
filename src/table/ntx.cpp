#include "table/ntx.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numeric>

#include "runtime/date.hpp"
#include "runtime/number.hpp"

namespace xb::table {

namespace {
constexpr std::size_t kMaxCachedPages = 65536;  // 64 MB per order
constexpr int kMaxDepth = 64;                   // deeper means a cycle in a damaged file

int le16(const char* p) {
    auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8);
}
void put16(char* p, int v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
int maxItemsFor(int itemSize) { return static_cast<int>(1022 / (itemSize + 2)) - 1; }

void headerBytes(char* h, const NtxInfo& info, std::uint16_t version, std::uint32_t root,
                 std::uint32_t freeList, int maxItems) {
    put16(h, info.forExpr.empty() ? 6 : 7);
    put16(h + 2, version);
    put32(h + 4, root);
    put32(h + 8, freeList);
    put16(h + 12, info.keyLen + 8);
    put16(h + 14, info.keyLen);
    put16(h + 16, info.keyDec);
    put16(h + 18, maxItems);
    put16(h + 20, maxItems / 2);
    std::memset(h + 22, 0, 256);
    std::memcpy(h + 22, info.keyExpr.data(), std::min<std::size_t>(info.keyExpr.size(), 255));
    h[278] = info.unique ? 1 : 0;
    h[280] = info.descending ? 1 : 0;
    std::memset(h + 282, 0, 256);
    std::memcpy(h + 282, info.forExpr.data(), std::min<std::size_t>(info.forExpr.size(), 255));
}
}  // namespace

bool keyShape(const rt::Value& v, int& keyLen, int& keyDec) {
    keyDec = 0;
    switch (v.type()) {
        case rt::Value::Type::Character:
        case rt::Value::Type::Memo:
            keyLen = static_cast<int>(v.str().size());
            return keyLen > 0 && keyLen <= 256;
        case rt::Value::Type::Number:
            keyLen = v.num().width > 0 ? v.num().width : 10;
            keyDec = v.num().decimals;
            return keyLen <= 40;
        case rt::Value::Type::Date:
            keyLen = 8;
            return true;
        case rt::Value::Type::Logical:
            keyLen = 1;
            return true;
        default:
            return false;
    }
}

bool keyBytes(const rt::Value& v, int keyLen, int keyDec, std::string& out) {
    const auto n = static_cast<std::size_t>(keyLen);
    switch (v.type()) {
        case rt::Value::Type::Character:
        case rt::Value::Type::Memo: {
            const std::string& s = v.str();
            out.assign(s, 0, std::min(n, s.size()));
            out.resize(n, ' ');
            return true;
        }
        case rt::Value::Type::Number: {
            double d = rt::roundHalfAway(v.numVal(), keyDec);
            bool neg = d < 0;
            out = rt::formatNumber(std::fabs(d), keyLen, keyDec);
            for (auto& c : out) {
                if (c != ' ') break;
                c = '0';
            }
            if (neg)
                for (auto& c : out)
                    if ((c >= '0' && c <= '9') || c == '.') c = static_cast<char>(92 - c);
            out.resize(n, '0');
            return true;
        }
        case rt::Value::Type::Date:
            out = rt::dtos(v.julian());
            out.resize(n, ' ');
            return true;
        case rt::Value::Type::Logical:
            out.assign(1, v.logical() ? 'T' : 'F');
            out.resize(n, ' ');
            return true;
        default:
            return false;
    }
}

NtxOrder::~NtxOrder() { close(); }

int NtxOrder::compare(const char* a, const char* b, std::size_t n) const {
    int c = std::memcmp(a, b, n);
    return info_.descending ? -c : c;
}

void NtxOrder::sortEntries(const NtxInfo& info, std::string& keys,
                           std::vector<std::uint32_t>& recnos) {
    const auto kl = static_cast<std::size_t>(info.keyLen);
    std::vector<std::uint32_t> idx(recnos.size());
    std::iota(idx.begin(), idx.end(), 0u);
    const char* k = keys.data();
    std::stable_sort(idx.begin(), idx.end(), [&](std::uint32_t a, std::uint32_t b) {
        int c = std::memcmp(k + a * kl, k + b * kl, kl);
        if (info.descending) c = -c;
        return c < 0;
    });
    std::string sk;
    sk.reserve(keys.size());
    std::vector<std::uint32_t> sr;
    sr.reserve(recnos.size());
    for (auto i : idx) {
        if (info.unique && !sr.empty() &&
            std::memcmp(sk.data() + sk.size() - kl, k + i * kl, kl) == 0)
            continue;
        sk.append(k + i * kl, kl);
        sr.push_back(recnos[i]);
    }
    keys.swap(sk);
    recnos.swap(sr);
}

int NtxOrder::build(const std::string& path, const NtxInfo& info, const std::string& keys,
                    const std::vector<std::uint32_t>& recnos) {
    if (info.keyLen < 1 || info.keyLen > 256) return EINVAL;
    const int itemSize = info.keyLen + 8;
    const int maxItems = maxItemsFor(itemSize);
    const auto kl = static_cast<std::size_t>(info.keyLen);
    struct Item {
        std::uint32_t child, rec, key;
    };
    std::string out(kNtxPage, '\0');  // page 0 is the header, filled last
    auto writePage = [&](const Item* items, int n, std::uint32_t rightChild) {
        auto off = static_cast<std::uint32_t>(out.size());
        out.resize(out.size() + kNtxPage, '\0');
        char* p = out.data() + off;
        put16(p, n);
        const int base = 2 + 2 * (maxItems + 1);
        for (int i = 0; i <= maxItems; ++i) put16(p + 2 + 2 * i, base + i * itemSize);
        for (int i = 0; i < n; ++i) {
            char* it = p + base + i * itemSize;
            put32(it, items[i].child);
            put32(it + 4, items[i].rec);
            std::memcpy(it + 8, keys.data() + items[i].key * kl, kl);
        }
        put32(p + base + n * itemSize, rightChild);
        return off;
    };
    std::vector<Item> items(recnos.size());
    for (std::size_t i = 0; i < recnos.size(); ++i)
        items[i] = {0, recnos[i], static_cast<std::uint32_t>(i)};
    std::uint32_t lastChild = 0, root = 0;
    for (;;) {
        const std::size_t m = items.size();
        if (m <= static_cast<std::size_t>(maxItems)) {
            root = writePage(items.data(), static_cast<int>(m), lastChild);
            break;
        }
        const std::size_t pages = (m + 1 + maxItems) / (maxItems + 1);
        const std::size_t inPages = m - (pages - 1);
        const std::size_t base = inPages / pages, extra = inPages % pages;
        std::vector<Item> up;
        up.reserve(pages);
        std::size_t pos = 0;
        std::uint32_t newLast = 0;
        for (std::size_t k = 0; k < pages; ++k) {
            std::size_t cnt = base + (k < extra ? 1 : 0);
            bool lastPage = k + 1 == pages;
            std::uint32_t right = lastPage ? lastChild : items[pos + cnt].child;
            std::uint32_t off = writePage(&items[pos], static_cast<int>(cnt), right);
            if (lastPage) {
                newLast = off;
            } else {
                Item sep = items[pos + cnt];
                sep.child = off;
                up.push_back(sep);
            }
            pos += cnt + 1;
        }
        items.swap(up);
        lastChild = newLast;
    }
    headerBytes(out.data(), info, 1, root, 0, maxItems);
    OsFile f;
    if (int err = f.create(path)) return err;
    // Pages first, header last: a file cut short has no valid root yet.
    if (!f.writeAt(out.data() + kNtxPage, out.size() - kNtxPage, kNtxPage))
        return errno ? errno : EIO;
    if (!f.writeAt(out.data(), kNtxPage, 0)) return errno ? errno : EIO;
    return 0;
}

int NtxOrder::open(const std::string& path, bool readOnly, Share share) {
    close();
    if (int err = file_.open(path, readOnly)) return err;
    if (int err = file_.shareLock(share)) {
        file_.close();
        return err;
    }
    readOnly_ = readOnly;
    shared_ = share == Share::Shared;
    char h[kNtxPage];
    if (file_.readAt(h, kNtxPage, 0) != kNtxPage) {
        file_.close();
        return EBADMSG;
    }
    signature_ = static_cast<std::uint16_t>(le16(h));
    info_.keyLen = le16(h + 14);
    info_.keyDec = le16(h + 16);
    itemSize_ = le16(h + 12);
    maxItems_ = le16(h + 18);
    halfPage_ = le16(h + 20);
    if ((signature_ != 6 && signature_ != 7 && signature_ != 3) || info_.keyLen < 1 ||
        info_.keyLen > 256 || itemSize_ != info_.keyLen + 8 || maxItems_ < 2 ||
        2 + 2 * (maxItems_ + 1) + (maxItems_ + 1) * itemSize_ > static_cast<int>(kNtxPage)) {
        file_.close();
        return EBADMSG;
    }
    if (halfPage_ < 1 || halfPage_ > maxItems_ / 2) halfPage_ = maxItems_ / 2;
    info_.keyExpr.assign(h + 22, strnlen(h + 22, 256));
    info_.unique = h[278] != 0;
    info_.descending = h[280] != 0;
    info_.forExpr = signature_ == 7 ? std::string(h + 282, strnlen(h + 282, 256)) : "";
    version_ = static_cast<std::uint16_t>(le16(h + 2));
    root_ = le32(h + 4);
    freeList_ = le32(h + 8);
    long long sz = file_.size();
    fileEnd_ = sz > 0 ? static_cast<std::uint64_t>(sz) / kNtxPage * kNtxPage : 0;
    cache_.clear();
    dirty_.clear();
    ++epoch_;
    stack_.clear();
    damage_.clear();
    return 0;
}

void NtxOrder::close() {
    if (!file_.isOpen()) return;
    flush();
    file_.close();
    cache_.clear();
    dirty_.clear();
    stack_.clear();
}

std::uint32_t NtxOrder::le32(const char* p) {
    auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

int NtxOrder::count(const char* p) const { return le16(p); }
const char* NtxOrder::item(const char* p, int i) const { return p + le16(p + 2 + 2 * i); }

bool NtxOrder::validPage(const char* p) const {
    int n = le16(p);
    if (n > maxItems_) return false;
    for (int i = 0; i <= n; ++i) {
        int o = le16(p + 2 + 2 * i);
        if (o < 2 || o + itemSize_ > static_cast<int>(kNtxPage)) return false;
    }
    return true;
}

const char* NtxOrder::page(std::uint32_t off) {
    if (const char* hit = cache_.get(off)) return hit;
    if (unlocked_ && holdReadLock()) stale_ = true;
    if (off < kNtxPage || off % kNtxPage != 0 || off + kNtxPage > fileEnd_) {
        if (damage_.empty()) damage_ = "page offset " + std::to_string(off) + " outside the file";
        return nullptr;
    }
    // Read the page and its neighbours in one call: a scan or a run of seeks touches most
    // pages of an order, and one read of 32 pages costs about what one of a page does.
    constexpr std::uint32_t kAhead = 32;
    std::uint64_t span = std::min<std::uint64_t>(kAhead * kNtxPage, fileEnd_ - off);
    readBuf_.resize(span);
    long long got = file_.readAt(readBuf_.data(), span, off);
    if (got < static_cast<long long>(kNtxPage)) {
        if (damage_.empty()) damage_ = "read error";
        return nullptr;
    }
    if (!validPage(readBuf_.data())) {
        if (damage_.empty()) damage_ = "damaged page at offset " + std::to_string(off);
        return nullptr;
    }
    char* slot = cache_.ensure(off);
    std::memcpy(slot, readBuf_.data(), kNtxPage);
    for (std::uint64_t k = kNtxPage; k + kNtxPage <= static_cast<std::uint64_t>(got);
         k += kNtxPage) {
        auto o = static_cast<std::uint32_t>(off + k);
        const char* q = readBuf_.data() + k;
        // Free pages and damaged ones stay out: only a page the tree reaches is checked for real.
        if (!cache_.get(o) && validPage(q)) std::memcpy(cache_.ensure(o), q, kNtxPage);
    }
    return slot;
}

NtxOrder::Node NtxOrder::decode(const char* p) const {
    Node n;
    int c = count(p);
    const auto kl = static_cast<std::size_t>(info_.keyLen);
    n.child.resize(static_cast<std::size_t>(c) + 1);
    n.rec.resize(static_cast<std::size_t>(c));
    n.keys.resize(static_cast<std::size_t>(c) * kl);
    for (int i = 0; i <= c; ++i) {
        const char* it = item(p, i);
        n.child[static_cast<std::size_t>(i)] = le32(it);
        if (i < c) {
            n.rec[static_cast<std::size_t>(i)] = le32(it + 4);
            std::memcpy(n.keys.data() + static_cast<std::size_t>(i) * kl, it + 8, kl);
        }
    }
    return n;
}

void NtxOrder::encode(const Node& n, char* p) const {
    std::memset(p, 0, kNtxPage);
    const int c = n.count();
    put16(p, c);
    const int base = 2 + 2 * (maxItems_ + 1);
    const auto kl = static_cast<std::size_t>(info_.keyLen);
    for (int i = 0; i <= maxItems_; ++i) put16(p + 2 + 2 * i, base + i * itemSize_);
    for (int i = 0; i <= c; ++i) {
        char* it = p + base + i * itemSize_;
        put32(it, n.child[static_cast<std::size_t>(i)]);
        if (i < c) {
            put32(it + 4, n.rec[static_cast<std::size_t>(i)]);
            std::memcpy(it + 8, n.keys.data() + static_cast<std::size_t>(i) * kl, kl);
        }
    }
}

bool NtxOrder::store(std::uint32_t off, const Node& n) {
    encode(n, cache_.ensure(off));
    dirty_.push_back(off);
    return true;
}

bool NtxOrder::flushPage(std::uint32_t off) {
    const char* p = cache_.get(off);
    return !p || file_.writeAt(p, kNtxPage, off);
}

std::uint32_t NtxOrder::allocPage() {
    std::uint32_t off;
    if (freeList_ != 0 && freeList_ % kNtxPage == 0 && freeList_ + kNtxPage <= fileEnd_) {
        off = freeList_;
        char nxt[4] = {};
        if (const char* p = cache_.get(off)) {
            std::memcpy(nxt, p, 4);
        } else if (file_.readAt(nxt, 4, off) != 4) {
            std::memset(nxt, 0, 4);
        }
        freeList_ = le32(nxt);
        cache_.erase(off);
    } else {
        off = static_cast<std::uint32_t>(fileEnd_);
        fileEnd_ += kNtxPage;
    }
    headerDirty_ = true;
    return off;
}

void NtxOrder::freePage(std::uint32_t off) {
    char* slot = cache_.ensure(off);
    std::memset(slot, 0, kNtxPage);
    put32(slot, freeList_);
    dirty_.push_back(off);
    freeList_ = off;
    headerDirty_ = true;
}

bool NtxOrder::readHeader() {
    char h[12];
    if (file_.readAt(h, 12, 0) != 12) {
        damage_ = "header unreadable";
        return false;
    }
    auto v = static_cast<std::uint16_t>(le16(h + 2));
    if (v != version_ || le32(h + 4) != root_ || le32(h + 8) != freeList_) {
        version_ = v;
        root_ = le32(h + 4);
        freeList_ = le32(h + 8);
        dropCache();
        long long sz = file_.size();
        fileEnd_ = sz > 0 ? static_cast<std::uint64_t>(sz) / kNtxPage * kNtxPage : 0;
    }
    return true;
}

void NtxOrder::dropCache() {
    cache_.clear();
    dirty_.clear();
    ++epoch_;
}

bool NtxOrder::flush() {
    if (!file_.isOpen() || readOnly_) return true;
    if (dirty_.empty() && !headerDirty_) return true;
    std::sort(dirty_.begin(), dirty_.end());
    dirty_.erase(std::unique(dirty_.begin(), dirty_.end()), dirty_.end());
    bool ok = true;
    for (auto off : dirty_) ok = flushPage(off) && ok;
    dirty_.clear();
    if (!shared_) ++version_;
    char h[12];
    put16(h, signature_);
    put16(h + 2, version_);
    put32(h + 4, root_);
    put32(h + 8, freeList_);
    ok = file_.writeAt(h, 12, 0) && ok;
    headerDirty_ = false;
    return ok;
}

bool NtxOrder::beginRead(bool optimistic) {
    if (cache_.size() > kMaxCachedPages && dirty_.empty()) cache_.clear();
    if (!shared_) return true;
    if (readDepth_++ > 0 || writeDepth_ > 0) return true;
    if (optimistic && cache_.size() > 0 && dirty_.empty()) {
        char h[12];
        if (file_.readAt(h, 12, 0) == 12 && le16(h + 2) == version_ && le32(h + 4) == root_ &&
            le32(h + 8) == freeList_) {
            unlocked_ = true;
            return true;
        }
    }
    if (file_.lock(kNtxLockOffset, 1, false, true) != 0) return false;
    return readHeader();
}

bool NtxOrder::holdReadLock() {
    if (!unlocked_) return false;
    unlocked_ = false;
    std::uint64_t before = epoch_;
    if (file_.lock(kNtxLockOffset, 1, false, true) != 0) return false;
    readHeader();
    return epoch_ != before;
}

void NtxOrder::endRead() {
    if (!shared_) return;
    if (--readDepth_ == 0 && writeDepth_ == 0) {
        if (unlocked_) {
            unlocked_ = false;
        } else {
            file_.unlock(kNtxLockOffset, 1);
        }
    }
}

bool NtxOrder::beginWrite() {
    if (readOnly_) return false;
    unlocked_ = false;  // the write lock is taken now; endWrite goes back to a held read lock
    if (writeDepth_++ > 0 || !shared_) return true;
    if (file_.lock(kNtxLockOffset, 1, true, true) != 0) {
        --writeDepth_;
        return false;
    }
    return readHeader();
}

bool NtxOrder::endWrite() {
    if (--writeDepth_ > 0 || !shared_) return true;
    ++version_;
    headerDirty_ = true;
    bool ok = flush();
    if (readDepth_ > 0) {
        file_.lock(kNtxLockOffset, 1, false, true);
    } else {
        file_.unlock(kNtxLockOffset, 1);
    }
    return ok;
}

// --- cursor ---

void NtxOrder::setCursor() {
    const Frame& f = stack_.back();
    const char* p = page(f.page);
    if (!p) {
        stack_.clear();
        return;
    }
    const char* it = item(p, f.idx);
    curRec_ = le32(it + 4);
    curKey_.assign(it + 8, static_cast<std::size_t>(info_.keyLen));
    cursorEpoch_ = epoch_;
}

bool NtxOrder::descendLeft(std::uint32_t off) {
    for (int depth = 0; off != 0; ++depth) {
        const char* p = page(off);
        if (!p || depth > kMaxDepth || stack_.size() > kMaxDepth) {
            if (damage_.empty()) damage_ = "tree too deep";
            return false;
        }
        stack_.push_back({off, 0});
        off = le32(item(p, 0));
    }
    return true;
}

bool NtxOrder::descendRight(std::uint32_t off) {
    for (int depth = 0; off != 0; ++depth) {
        const char* p = page(off);
        if (!p || depth > kMaxDepth || stack_.size() > kMaxDepth) {
            if (damage_.empty()) damage_ = "tree too deep";
            return false;
        }
        int n = count(p);
        stack_.push_back({off, n});
        off = le32(item(p, n));
    }
    return true;
}

// Cursor frames: every frame but the top holds the child index the path took; the top holds
// the key the cursor is on. Moving forward from a gap means "the key at idx comes next",
// moving back "the key at idx - 1 comes before".

// From a path whose last frame may point past its page's items: climbs to the first frame
// that still has an item at its index and makes that the cursor (0 at the end of the order).
std::uint32_t NtxOrder::climbForward() {
    while (!stack_.empty()) {
        const char* p = page(stack_.back().page);
        if (!p) break;
        if (stack_.back().idx < count(p)) {
            setCursor();
            return stack_.empty() ? 0 : curRec_;
        }
        stack_.pop_back();
    }
    stack_.clear();
    return 0;
}

// The mirror of climbForward: climbs to the first frame with an item before its index and
// steps onto it (0 before the start of the order).
std::uint32_t NtxOrder::climbBackward() {
    while (!stack_.empty()) {
        if (stack_.back().idx > 0) {
            --stack_.back().idx;
            setCursor();
            return stack_.empty() ? 0 : curRec_;
        }
        stack_.pop_back();
    }
    return 0;
}

std::uint32_t NtxOrder::first() {
    stack_.clear();
    if (!descendLeft(root_)) {
        stack_.clear();
        return 0;
    }
    return climbForward();
}

std::uint32_t NtxOrder::last() {
    stack_.clear();
    if (!descendRight(root_)) {
        stack_.clear();
        return 0;
    }
    return climbBackward();
}

bool NtxOrder::revalidate() {
    if (stack_.empty()) return false;
    if (cursorEpoch_ == epoch_) return true;
    std::string k = curKey_;
    std::uint32_t r = curRec_;
    if (find(k, r)) return true;
    return false;
}

std::uint32_t NtxOrder::next() {
    if (stack_.empty()) return 0;
    if (cursorEpoch_ != epoch_) {
        std::string k = curKey_;
        std::uint32_t r = curRec_;
        if (!find(k, r)) return stack_.empty() ? 0 : curRec_;  // already on the following entry
    }
    Frame& top = stack_.back();
    const char* p = page(top.page);
    if (!p) {
        stack_.clear();
        return 0;
    }
    top.idx += 1;
    std::uint32_t c = le32(item(p, top.idx));
    if (c != 0 && !descendLeft(c)) {
        stack_.clear();
        return 0;
    }
    return climbForward();
}

std::uint32_t NtxOrder::prev() {
    if (stack_.empty()) return 0;
    if (cursorEpoch_ != epoch_) {
        std::string k = curKey_;
        std::uint32_t r = curRec_;
        find(k, r);  // on the entry or on the one after where it was: step back from there
        if (stack_.empty()) return last();
    }
    Frame& top = stack_.back();
    const char* p = page(top.page);
    if (!p) {
        stack_.clear();
        return 0;
    }
    std::uint32_t c = le32(item(p, top.idx));
    if (c != 0 && !descendRight(c)) {
        stack_.clear();
        return 0;
    }
    return climbBackward();
}

std::uint32_t NtxOrder::seek(std::string_view key, bool& found, bool lastOne) {
    found = false;
    stack_.clear();
    const std::size_t n = std::min(key.size(), static_cast<std::size_t>(info_.keyLen));
    std::uint32_t off = root_;
    for (int depth = 0; off != 0; ++depth) {
        const char* p = page(off);
        if (!p || depth > kMaxDepth) {
            if (damage_.empty()) damage_ = "tree too deep";
            stack_.clear();
            return 0;
        }
        int lo = 0, hi = count(p);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            int c = compare(item(p, mid) + 8, key.data(), n);
            if (lastOne ? c <= 0 : c < 0) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        stack_.push_back({off, lo});
        off = le32(item(p, lo));
    }
    if (lastOne) {
        while (!stack_.empty()) {
            if (stack_.back().idx > 0) {
                --stack_.back().idx;
                setCursor();
                if (!stack_.empty() && compare(curKey_.data(), key.data(), n) == 0) {
                    found = true;
                    return curRec_;
                }
                break;
            }
            stack_.pop_back();
        }
        return seek(key, found, false);
    }
    std::uint32_t rec = climbForward();
    if (rec != 0) found = compare(curKey_.data(), key.data(), n) == 0;
    return rec;
}

bool NtxOrder::find(std::string_view key, std::uint32_t recno) {
    bool found;
    std::uint32_t r = seek(key, found);
    while (r != 0 && found) {
        if (r == recno) return true;
        r = next();
        found = r != 0 && std::memcmp(curKey_.data(), key.data(), key.size()) == 0;
    }
    return false;
}

// --- changes ---

bool NtxOrder::insert(std::string_view key, std::uint32_t recno) {
    if (!damage_.empty() || key.size() != static_cast<std::size_t>(info_.keyLen)) return false;
    if (info_.unique) {
        bool found;
        seek(key, found);
        if (found) return true;  // a unique order keeps the first record of each key
    }
    ++epoch_;
    std::vector<Frame> path;
    std::uint32_t off = root_;
    for (int depth = 0;; ++depth) {
        const char* p = page(off);
        if (!p || depth > kMaxDepth) return false;
        int lo = 0, hi = count(p);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (compare(item(p, mid) + 8, key.data(), key.size()) <= 0) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        path.push_back({off, lo});
        std::uint32_t c = le32(item(p, lo));
        if (c == 0) break;
        off = c;
    }
    const auto kl = static_cast<std::size_t>(info_.keyLen);
    {
        // A leaf with room takes the key in place: the free item slot moves into the offset
        // table at the key's position, and no item moves.
        const Frame& f = path.back();
        int n = count(page(f.page));
        if (n < maxItems_) {
            char* p = cache_.ensure(f.page);
            char* offs = p + 2;
            int freeOff = le16(offs + 2 * (n + 1));
            std::memmove(offs + 2 * (f.idx + 1), offs + 2 * f.idx,
                         static_cast<std::size_t>(2 * (n + 1 - f.idx)));
            put16(offs + 2 * f.idx, freeOff);
            char* it = p + freeOff;
            put32(it, 0);
            put32(it + 4, recno);
            std::memcpy(it + 8, key.data(), kl);
            put16(p, n + 1);
            dirty_.push_back(f.page);
            return true;
        }
    }
    // Insert into the leaf, then split upwards while a page overflows.
    std::string upKey(key);
    std::uint32_t upRec = recno, upRight = 0;
    for (int level = static_cast<int>(path.size()) - 1; level >= 0; --level) {
        const Frame& f = path[static_cast<std::size_t>(level)];
        Node n = decode(page(f.page));
        auto i = static_cast<std::size_t>(f.idx);
        n.keys.insert(i * kl, upKey);
        n.rec.insert(n.rec.begin() + static_cast<long>(i), upRec);
        n.child.insert(n.child.begin() + static_cast<long>(i) + 1, upRight);
        if (n.count() <= maxItems_) return store(f.page, n);
        int h = n.count() / 2;
        Node left, right;
        left.child.assign(n.child.begin(), n.child.begin() + h + 1);
        left.rec.assign(n.rec.begin(), n.rec.begin() + h);
        left.keys = n.keys.substr(0, static_cast<std::size_t>(h) * kl);
        right.child.assign(n.child.begin() + h + 1, n.child.end());
        right.rec.assign(n.rec.begin() + h + 1, n.rec.end());
        right.keys = n.keys.substr(static_cast<std::size_t>(h + 1) * kl);
        upKey = n.keys.substr(static_cast<std::size_t>(h) * kl, kl);
        upRec = n.rec[static_cast<std::size_t>(h)];
        std::uint32_t r = allocPage();
        store(f.page, left);
        store(r, right);
        upRight = r;
    }
    Node root;
    root.child = {root_, upRight};
    root.rec = {upRec};
    root.keys = upKey;
    std::uint32_t nr = allocPage();
    store(nr, root);
    root_ = nr;
    headerDirty_ = true;
    return true;
}

bool NtxOrder::remove(std::string_view key, std::uint32_t recno) {
    if (!damage_.empty()) return false;
    if (!find(key, recno)) return damage_.empty();  // not there: nothing to do
    ++epoch_;
    std::vector<Frame> path = stack_;
    const auto kl = static_cast<std::size_t>(info_.keyLen);
    Frame at = path.back();
    Node n = decode(page(at.page));
    auto i = static_cast<std::size_t>(at.idx);
    if (n.child[0] == 0) {
        n.keys.erase(i * kl, kl);
        n.rec.erase(n.rec.begin() + static_cast<long>(i));
        n.child.pop_back();
        store(at.page, n);
    } else {
        // Replace by the predecessor, the last key of the rightmost leaf of child i.
        std::uint32_t off = n.child[i];
        for (int depth = 0;; ++depth) {
            const char* p = page(off);
            if (!p || depth > kMaxDepth) return false;
            int c = count(p);
            std::uint32_t ch = le32(item(p, c));
            path.push_back({off, c});
            if (ch == 0) break;
            off = ch;
        }
        Node leaf = decode(page(path.back().page));
        if (leaf.count() == 0) {
            damage_ = "empty leaf page";
            return false;
        }
        std::size_t last = static_cast<std::size_t>(leaf.count()) - 1;
        n.keys.replace(i * kl, kl, leaf.keys, last * kl, kl);
        n.rec[i] = leaf.rec[last];
        leaf.keys.resize(last * kl);
        leaf.rec.pop_back();
        leaf.child.pop_back();
        store(at.page, n);
        store(path.back().page, leaf);
    }
    stack_.clear();
    return fixUnderflow(path);
}

bool NtxOrder::fixUnderflow(std::vector<Frame>& path) {
    const auto kl = static_cast<std::size_t>(info_.keyLen);
    while (!path.empty()) {
        std::uint32_t off = path.back().page;
        const char* p = page(off);
        if (!p) return false;
        Node n = decode(p);
        if (path.size() == 1) {  // the root
            if (n.count() == 0 && n.child[0] != 0) {
                root_ = n.child[0];
                headerDirty_ = true;
                freePage(off);
            }
            return true;
        }
        if (n.count() >= halfPage_) return true;
        const Frame& pf = path[path.size() - 2];
        Node q = decode(page(pf.page));
        auto j = static_cast<std::size_t>(pf.idx);
        if (j > 0) {
            std::uint32_t so = q.child[j - 1];
            const char* sp = page(so);
            if (!sp) return false;
            Node s = decode(sp);
            if (s.count() > halfPage_) {  // borrow from the left
                n.keys.insert(0, q.keys, (j - 1) * kl, kl);
                n.rec.insert(n.rec.begin(), q.rec[j - 1]);
                n.child.insert(n.child.begin(), s.child.back());
                std::size_t last = static_cast<std::size_t>(s.count()) - 1;
                q.keys.replace((j - 1) * kl, kl, s.keys, last * kl, kl);
                q.rec[j - 1] = s.rec[last];
                s.keys.resize(last * kl);
                s.rec.pop_back();
                s.child.pop_back();
                store(so, s);
                store(off, n);
                store(pf.page, q);
                return true;
            }
        }
        if (j < static_cast<std::size_t>(q.count())) {
            std::uint32_t so = q.child[j + 1];
            const char* sp = page(so);
            if (!sp) return false;
            Node s = decode(sp);
            if (s.count() > halfPage_) {  // borrow from the right
                n.keys.append(q.keys, j * kl, kl);
                n.rec.push_back(q.rec[j]);
                n.child.push_back(s.child.front());
                q.keys.replace(j * kl, kl, s.keys, 0, kl);
                q.rec[j] = s.rec.front();
                s.keys.erase(0, kl);
                s.rec.erase(s.rec.begin());
                s.child.erase(s.child.begin());
                store(so, s);
                store(off, n);
                store(pf.page, q);
                return true;
            }
        }
        // Merge with a sibling and the separator between them.
        std::size_t sepIdx = j > 0 ? j - 1 : j;
        std::uint32_t lo = q.child[sepIdx], ro = q.child[sepIdx + 1];
        const char* lp = page(lo);
        const char* rp = page(ro);
        if (!lp || !rp) return false;
        Node l = decode(lp), r = decode(rp);
        l.keys.append(q.keys, sepIdx * kl, kl);
        l.rec.push_back(q.rec[sepIdx]);
        l.keys += r.keys;
        l.rec.insert(l.rec.end(), r.rec.begin(), r.rec.end());
        l.child.insert(l.child.end(), r.child.begin(), r.child.end());
        q.keys.erase(sepIdx * kl, kl);
        q.rec.erase(q.rec.begin() + static_cast<long>(sepIdx));
        q.child.erase(q.child.begin() + static_cast<long>(sepIdx) + 1);
        store(lo, l);
        freePage(ro);
        store(pf.page, q);
        path.pop_back();
    }
    return true;
}

bool NtxOrder::clear() {
    ++epoch_;
    cache_.clear();
    dirty_.clear();
    stack_.clear();
    damage_.clear();
    if (!file_.truncate(kNtxPage)) return false;
    fileEnd_ = kNtxPage;
    freeList_ = 0;
    Node root;
    root.child = {0};
    root_ = allocPage();
    store(root_, root);
    headerDirty_ = true;
    return flush();
}

bool NtxOrder::walk(const std::function<bool(std::string_view, std::uint32_t)>& fn) {
    for (std::uint32_t r = first(); r != 0; r = next())
        if (!fn(curKey_, r)) return true;
    return damage_.empty();
}

}  // namespace xb::table
