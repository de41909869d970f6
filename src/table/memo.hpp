// MEMO: the memo files that hold the texts of a table's memo fields, DBT and FPT.
//
// DBT (dBase III), 512-byte blocks:
//   off size
//     0    4  next free block number (little-endian)
//    16    1  0x03
//   block n  the text, then 0x1A 0x1A; a memo takes ceil((len + 2) / 512) blocks
// FPT, blocks of `blockSize` bytes (64 by default), big-endian header of 512 bytes:
//     0    4  next free block number
//     4    4  block size (the high half is zero, so readers of a 2-byte size at 6 agree)
//   block n  type (4 bytes, 1 = text), length (4 bytes), the bytes; any byte may appear
// A memo is rewritten in place when the new text fits the blocks it had, else appended at the
// next free block. The data is written before the header, so a killed process leaves at worst
// unreferenced blocks. A block number read from a record is checked against the file size:
// a pointer past the end reads as a corruption, never beyond the buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "table/dbf.hpp"
#include "table/os_file.hpp"

namespace xb::table {

class MemoFile {
public:
    virtual ~MemoFile() = default;
    // Reads the memo at `block` (0 = empty). Returns false on a damaged pointer or a read
    // error, with the reason in error().
    virtual bool read(std::uint32_t block, std::string& out) = 0;
    // Writes text for a field that pointed at oldBlock; returns the new block (0 for an empty
    // text) or nullopt on a write failure.
    virtual std::optional<std::uint32_t> write(std::uint32_t oldBlock, std::string_view text) = 0;
    // Forgets every memo (zap).
    virtual bool clear() = 0;
    virtual const char* extension() const = 0;

    OsFile& file() { return file_; }
    // Shared: the header is read again before every write (others may have appended).
    void setShared(bool s) { shared_ = s; }
    const std::string& error() const { return error_; }

    // Opens the memo file of the kind given; nullptr with errno-style code in err on failure.
    static std::unique_ptr<MemoFile> make(MemoKind kind);
    // Writes an empty memo file's header (create).
    virtual bool initialise(int blockSize) = 0;
    // Reads the header after open.
    virtual bool load() = 0;

protected:
    // The file size as last seen; refreshed when a block lies beyond it.
    std::uint64_t knownSize() {
        long long s = file_.size();
        size_ = s > 0 ? static_cast<std::uint64_t>(s) : 0;
        return size_;
    }
    bool within(std::uint64_t end) { return end <= size_ || end <= knownSize(); }

    OsFile file_;
    std::string error_;
    bool shared_ = false;
    std::uint64_t size_ = 0;
};

}  // namespace xb::table
