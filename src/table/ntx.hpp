// NTX: one order of a table in one index file, a B-tree of 1024-byte pages addressed by their
// byte offset in the file. Keys live in inner pages too (each key once in the whole tree).
//
// Header, page 0 (little-endian):
//   off size
//     0    2  signature: 6, or 7 when the order has a FOR condition
//     2    2  update counter: bumped by every change, so other processes drop cached pages
//     4    4  offset of the root page
//     8    4  offset of the first free page (0 = none); a free page holds the next one at 0
//    12    2  item size = key length + 8
//    14    2  key length
//    16    2  key decimals
//    18    2  maximum keys per page
//    20    2  half of that: the fewest keys a page other than the root keeps
//    22  256  key expression, NUL terminated
//   278    1  unique flag
//   280    1  descending flag
//   282  256  FOR expression, NUL terminated
// Page: key count n (2 bytes), then max+1 item offsets (2 bytes each, from the page start),
// then the items. Item i (i < n) is: child page (4), record number (4), key; the child holds
// the keys before key i. Item n holds only the rightmost child. Leaves have child 0.
// Keys: character fields as stored; numbers as Str() with leading blanks made "0" and, for
// negatives, every character c turned into 92 - c (digits complemented, the point kept) so
// that bytes sort as numbers do; dates as DToS; logicals "T"/"F". Keys compare bytewise
// (reversed for a descending order); an equal key goes after the existing ones.
//
// Sharing: while the table is shared every read holds a read lock and every change a write
// lock on the byte at 1,000,000,000, and the counter at offset 2 tells whether cached pages are
// still valid. A writer changes its pages under the write lock and writes the header last, so
// a header that still shows the cached counter, root and free list means the cached pages are
// the current tree: an optimistic read checks that without the lock and takes the lock only
// when it needs a page from the file (then starting over when the tree had changed).
// Exclusive: no locks, changed pages stay cached until flush().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/value.hpp"
#include "table/os_file.hpp"

namespace xb::table {

inline constexpr std::uint32_t kNtxPage = 1024;
inline constexpr std::uint64_t kNtxLockOffset = 1000000000ULL;

struct NtxInfo {
    std::string keyExpr;
    std::string forExpr;
    int keyLen = 0;
    int keyDec = 0;
    bool unique = false;
    bool descending = false;
};

// The key bytes of a value for an order of keyLen bytes; false when the type cannot be a key.
bool keyBytes(const rt::Value& v, int keyLen, int keyDec, std::string& out);
// The key length and decimals a value gives (character: its length; number: its width).
bool keyShape(const rt::Value& v, int& keyLen, int& keyDec);

// Pages held in memory, indexed by page number: a lookup is one vector access.
class PageCache {
public:
    char* get(std::uint32_t off) const {
        std::size_t i = off / kNtxPage;
        return i < pages_.size() ? pages_[i].get() : nullptr;
    }
    // The page's buffer, allocated when absent.
    char* ensure(std::uint32_t off) {
        std::size_t i = off / kNtxPage;
        if (i >= pages_.size()) pages_.resize(i + 1);
        if (!pages_[i]) {
            pages_[i] = std::make_unique<char[]>(kNtxPage);
            ++count_;
        }
        return pages_[i].get();
    }
    void erase(std::uint32_t off) {
        std::size_t i = off / kNtxPage;
        if (i < pages_.size() && pages_[i]) {
            pages_[i].reset();
            --count_;
        }
    }
    void clear() {
        pages_.clear();
        count_ = 0;
    }
    std::size_t size() const { return count_; }

private:
    std::vector<std::unique_ptr<char[]>> pages_;
    std::size_t count_ = 0;
};

class NtxOrder {
public:
    NtxOrder() = default;
    NtxOrder(const NtxOrder&) = delete;
    NtxOrder& operator=(const NtxOrder&) = delete;
    ~NtxOrder();

    // Writes a complete index file from entries already sorted (keys of keyLen bytes, one
    // after the other, and their record numbers). Returns 0 or an errno.
    static int build(const std::string& path, const NtxInfo& info, const std::string& keys,
                     const std::vector<std::uint32_t>& recnos);
    // Sorts entries in key order (stable for equal keys) for build().
    static void sortEntries(const NtxInfo& info, std::string& keys,
                            std::vector<std::uint32_t>& recnos);

    // Opens an index file; 0 or an errno (EBADMSG when the header is not an NTX header).
    int open(const std::string& path, bool readOnly, Share share);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    const NtxInfo& info() const { return info_; }
    const std::string& path() const { return file_.path(); }
    OsFile& file() { return file_; }
    bool shared() const { return shared_; }

    // Damage found while reading pages (a bad offset or count): navigation stops and the
    // reason stays here until the caller reports it.
    const std::string& damage() const { return damage_; }
    void clearDamage() { damage_.clear(); }

    // --- cursor ---
    // Each returns the record number of the new position, or 0 at either end.
    std::uint32_t first();
    std::uint32_t last();
    std::uint32_t next();
    std::uint32_t prev();
    // First entry whose key begins with at least `key` (compared on key.size() bytes, at most
    // the key length); with last, the last entry whose key begins with `key` or else the first
    // greater. found tells whether the key matched.
    std::uint32_t seek(std::string_view key, bool& found, bool last = false);
    // Puts the cursor on the entry (key, recno); false when it is not in the order (the
    // cursor is then on the first entry after where it would be).
    bool find(std::string_view key, std::uint32_t recno);
    bool positioned() const { return !stack_.empty() && epoch_ == cursorEpoch_; }
    std::uint32_t cursorRecno() const { return curRec_; }
    const std::string& cursorKey() const { return curKey_; }

    // --- changes ---
    // Adds (key, recno) after the equal keys; removes exactly (key, recno). false on an I/O
    // error or damage.
    bool insert(std::string_view key, std::uint32_t recno);
    bool remove(std::string_view key, std::uint32_t recno);
    // Empties the order (zap): a fresh root.
    bool clear();
    // Writes changed pages and the header.
    bool flush();

    // Shared-mode brackets; nested calls are counted. An optimistic outermost read whose
    // cached pages are still current holds no lock until a page must come from the file.
    bool beginRead(bool optimistic = false);
    void endRead();
    // Takes the read lock an optimistic read postponed; true when the pages used so far may be
    // stale (the caller looks again). False when the lock is already held or not needed.
    bool holdReadLock();
    // True once after an optimistic read found the tree changed when it had to take the lock.
    bool takeStale() {
        bool s = stale_;
        stale_ = false;
        return s;
    }
    bool beginWrite();
    bool endWrite();

    // Visits every entry in order (verification); stops when fn returns false.
    bool walk(const std::function<bool(std::string_view key, std::uint32_t recno)>& fn);

    int compare(const char* a, const char* b, std::size_t n) const;

private:
    struct Node {
        std::vector<std::uint32_t> child;  // n + 1
        std::vector<std::uint32_t> rec;    // n
        std::string keys;                  // n * keyLen
        int count() const { return static_cast<int>(rec.size()); }
    };
    struct Frame {
        std::uint32_t page;
        int idx;
    };

    const char* page(std::uint32_t off);  // nullptr on damage
    bool validPage(const char* p) const;
    int count(const char* p) const;
    const char* item(const char* p, int i) const;
    static std::uint32_t le32(const char* p);
    Node decode(const char* p) const;
    void encode(const Node& n, char* p) const;
    bool store(std::uint32_t off, const Node& n);
    std::uint32_t allocPage();
    void freePage(std::uint32_t off);
    bool readHeader();
    void writeHeaderFields(char* h) const;
    void dropCache();
    void setCursor();
    bool descendLeft(std::uint32_t off);
    bool descendRight(std::uint32_t off);
    std::uint32_t climbForward();
    std::uint32_t climbBackward();
    bool fixUnderflow(std::vector<Frame>& path);
    bool revalidate();
    bool flushPage(std::uint32_t off);

    OsFile file_;
    NtxInfo info_;
    bool readOnly_ = false;
    bool shared_ = false;
    int itemSize_ = 0;
    int maxItems_ = 0;
    int halfPage_ = 0;
    std::uint16_t signature_ = 6;
    std::uint16_t version_ = 0;
    std::uint32_t root_ = 0;
    std::uint32_t freeList_ = 0;
    std::uint64_t fileEnd_ = 0;
    bool headerDirty_ = false;
    int readDepth_ = 0, writeDepth_ = 0;
    bool unlocked_ = false;  // an optimistic read is running without the lock
    bool stale_ = false;

    PageCache cache_;
    std::vector<char> readBuf_;
    std::vector<std::uint32_t> dirty_;
    std::uint64_t epoch_ = 1, cursorEpoch_ = 0;
    std::vector<Frame> stack_;
    std::string curKey_;
    std::uint32_t curRec_ = 0;
    std::string damage_;
};

}  // namespace xb::table
