// TABLE: one open DBF with its memo file, its orders, the record buffer, the filter and the
// locks of one work area.
//
// Lifecycle: open() (or create() then open()) -> navigation and field access -> close().
// Invariants:
// - The record buffer holds the current record; a buffer that was changed is written by any
//   move, flush(), unlock and close(). Writing it updates every open order (the keys before the
//   first change are remembered so that the old entry can be removed).
// - Past the last record the buffer is the blank phantom record lastRec() + 1 with eof().
// - File size = header + count x record length + 1 (the 0x1A) after every append in shared
//   mode, and after commit() and close(); the record is written before the header count.
// - Shared: a whole-file shared flock on the table, memo and index files; record n locked at
//   1,000,000,000 + n, the file lock over 1,000,000,000 bytes from 1,000,000,001, the append
//   lock at 1,000,000,000 (read locks when the table is open read-only). Exclusive: an
//   exclusive flock, no byte-range locks.
// Failures go through the runtime's error protocol; an operation whose error was answered
// "default" returns false. A refusal by another user sets the network-error flag first.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "runtime/runtime.hpp"
#include "table/dbf.hpp"
#include "table/memo.hpp"
#include "table/ntx.hpp"
#include "table/os_file.hpp"

namespace xb::table {

// A compiled key, filter or FOR expression; evaluated with the table's area current.
using Expr = std::function<rt::Value()>;
// Compiles expression text; an empty function when the text does not compile (the compiler
// reports the error itself).
using Compiler = std::function<Expr(const std::string& text)>;

inline constexpr std::uint64_t kLockBase = 1000000000ULL;

// State shared by all tables of one runtime.
struct EngineState {
    bool netErr = false;
    Compiler compiler;
};

struct OpenOptions {
    bool shared = false;
    bool readOnly = false;
};

// DBFNTX subcodes of the errors the engine raises.
namespace sub {
inline constexpr int kOpen = 1001, kCreate = 1004, kRead = 1010, kWrite = 1011, kCorrupt = 1012,
                     kDataType = 1020, kDataWidth = 1021, kUnlocked = 1022, kShared = 1023,
                     kAppendLock = 1024, kReadOnly = 1025, kNoOrder = 1201, kOrder = 1026;
}

class Table {
public:
    Table(rt::Runtime& rt, EngineState& state, int area);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Adds ".DBF" to a name without extension and finds the file ignoring case.
    static std::string tablePath(const std::string& name);
    // Creates an empty table (and its memo file when a field is a memo); true on success.
    static bool create(rt::Runtime& rt, const std::string& path, std::vector<Field> fields,
                       MemoKind memo = MemoKind::Dbt);
    // Reads FIELD_NAME, FIELD_TYPE, FIELD_LEN, FIELD_DEC of every record of a structure table.
    static bool readStructureTable(rt::Runtime& rt, const std::string& path,
                                   std::vector<Field>& out);

    bool open(const std::string& path, const OpenOptions& o);
    void close();
    bool isOpen() const { return dbf_.isOpen(); }
    const std::string& path() const { return dbf_.path(); }
    int area() const { return area_; }
    bool shared() const { return shared_; }
    bool readOnly() const { return readOnly_; }

    // --- structure ---
    const DbfHeader& header() const { return hdr_; }
    int fieldCount() const { return static_cast<int>(hdr_.fields.size()); }
    const Field& field(int i) const { return hdr_.fields[static_cast<std::size_t>(i)]; }
    int fieldIndex(std::string_view name) const;  // 0-based, -1 when none
    MemoKind memoKind() const { return memoKind_; }

    // --- position ---
    std::uint32_t recNo() const { return recNo_; }
    std::uint32_t lastRec();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool found() const { return found_; }
    void setFound(bool f) { found_ = f; }  // locate by the caller's own scope
    bool deleted() const { return rec_[0] == '*'; }

    bool goTop();
    bool goBottom();
    bool skip(long long n);
    bool goTo(std::uint32_t n);
    // Seeks in the controlling order; soft stops on the next greater key, last finds the
    // last of the equal keys. Returns found().
    bool seek(const rt::Value& key, bool soft, bool last = false);

    // --- fields ---
    bool getField(int i, rt::Value& out);
    bool putField(int i, const rt::Value& v);
    // The raw bytes of the current record (flag byte first).
    const char* recordBytes() const { return rec_.data(); }

    // --- changes ---
    bool append();
    bool deleteRecord();
    bool recall();
    bool zap();
    bool pack();
    bool flush();   // writes the record buffer
    bool commit();  // flush, then the orders, the header, and the files to disk

    // --- locks ---
    bool lockRecord(std::uint32_t n, bool releaseOthers);
    bool lockFile();
    void unlockAll();
    void unlockRecord(std::uint32_t n);
    bool fileLocked() const { return fileLocked_; }
    std::vector<std::uint32_t> lockedRecords() const { return {locks_.begin(), locks_.end()}; }

    // --- orders ---
    int orderCount() const { return static_cast<int>(orders_.size()); }
    NtxOrder& order(int i) { return *orders_[static_cast<std::size_t>(i - 1)].ntx; }
    int controllingOrder() const { return controlling_; }
    void setControllingOrder(int n);  // 0 = natural order
    bool addOrder(const std::string& path);
    void clearOrders();
    bool createOrder(const std::string& path, const std::string& keyText, Expr key,
                     const std::string& forText, Expr forCond, bool unique, bool descending);
    bool reindex();
    // Checks an order against the records: every record's key present once and in order;
    // problems are appended to report. True when the order is sound.
    bool verifyOrder(int n, std::vector<std::string>& report);
    const std::string& orderBag(int n) const {
        return orders_[static_cast<std::size_t>(n - 1)].path;
    }

    // --- filter ---
    void setFilter(Expr cond, std::string text);
    void clearFilter();
    const std::string& filterText() const { return filterText_; }

    // Locate: searches forward from the current record (or the top) for cond.
    bool locate(Expr cond, bool fromTop);
    bool continueLocate();

    // Evaluates e with this table's area current.
    rt::Value evalHere(const Expr& e);

private:
    // Marks ('*') or recalls (' ') the current record.
    bool setDeletionFlag(char flag, const char* operation);
    // False, after raising "Write not allowed" for a read-only table, when the table cannot
    // be written at all; canWrite() also asks for the record or file lock of shared mode.
    bool writable(const char* op);
    struct OrderSlot {
        std::unique_ptr<NtxOrder> ntx;
        Expr key;
        Expr forCond;
        std::string path;
    };
    enum class Answer { Retry, Fail };

    Answer raise(int gen, int subCode, int os, std::string desc, std::string op, std::string file,
                 bool canDefault, bool canRetry);
    bool canWrite(const char* op);
    bool readRecord(std::uint32_t n, bool sequential);
    void setPhantom();
    bool refreshCount(bool checkSize = true);
    bool writeHeader();
    bool visible();
    bool skipNatural(int dir);
    bool skipOrder(int dir);
    bool settle(int dir);
    bool step(int dir, std::uint64_t& budget);
    std::uint64_t stepBudget() const;  // from a loaded record, moves in dir until a visible one
    bool keyOf(OrderSlot& o, std::string& key, bool& inFor);
    bool positionOrder();
    void rememberOldKeys();
    std::uint64_t recordOffset(std::uint32_t n) const {
        return static_cast<std::uint64_t>(hdr_.headerLen) +
               static_cast<std::uint64_t>(n - 1) * static_cast<std::uint64_t>(hdr_.recLen);
    }
    void markChanged();
    // Every change of the record buffer (a read, a blank, an assignment) starts a new
    // generation; a decoded field value is reused only within the generation it was made in.
    void bufferChanged() { ++recGen_; }

    rt::Runtime& rt_;
    EngineState& state_;
    int area_;
    OsFile dbf_;
    std::unique_ptr<MemoFile> memo_;
    MemoKind memoKind_ = MemoKind::None;
    DbfHeader hdr_;
    bool shared_ = false, readOnly_ = false;

    std::vector<char> rec_;
    std::uint64_t recGen_ = 1;
    std::vector<rt::Value> fieldCache_;         // decoded non-memo fields of rec_
    std::vector<std::uint64_t> fieldCacheGen_;  // the generation each entry was decoded in
    std::uint32_t recNo_ = 0;
    bool eof_ = true, bof_ = true, found_ = false;
    bool dirty_ = false, appended_ = false, headerDirty_ = false, written_ = false;
    std::map<int, std::string> pendingMemo_;
    std::vector<std::string> oldKeys_;
    std::vector<char> oldInFor_;

    std::vector<char> wbuf_;
    std::vector<char> chunk_;
    std::uint32_t chunkFirst_ = 0, chunkCount_ = 0, lastRead_ = 0;

    std::vector<OrderSlot> orders_;
    int controlling_ = 0;

    Expr filter_;
    std::string filterText_;
    Expr locateFor_;

    std::set<std::uint32_t> locks_;
    bool fileLocked_ = false;
};

}  // namespace xb::table
