// DBF: the table file format (dBase III family), its header and the field codecs.
//
// DBF header (little-endian):
//   off size
//     0    1  version: 0x03 plain, 0x83 with DBT memo, 0xF5 with FPT memo
//     1    3  last update YY MM DD, YY counted from 1900
//     4    4  record count
//     8    2  header length, including the 0x0D terminator
//    10    2  record length, including the deletion-flag byte
//    32  32n  field descriptors, then 0x0D
// Field descriptor:
//     0   11  name, upper case, NUL padded
//    11    1  type: C N F D L M
//    16    1  length (for C, the low byte)
//    17    1  decimals (for C, the high byte of the length: C fields up to 65535 wide)
// Records follow the header: a flag byte (' ' live, '*' deleted) and the fields in order.
// Numbers are right-aligned as Str(value, len, dec) prints them; an empty date is 8 blanks;
// an unset logical a blank; a memo field holds the first block number, right-aligned, or
// blanks. After the last record comes one 0x1A; the file size is header + count x length + 1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.hpp"

namespace xb::table {

struct Field {
    std::string name;  // upper case
    char type = 'C';   // C N D L M (F is read as N)
    int len = 0;
    int dec = 0;
    int offset = 0;  // within the record, the flag byte is offset 0
};

enum class MemoKind { None, Dbt, Fpt };

struct DbfHeader {
    std::uint8_t version = 0x03;
    int year = 0, month = 0, day = 0;  // last update
    std::uint32_t count = 0;
    int headerLen = 0;
    int recLen = 0;
    std::vector<Field> fields;

    MemoKind memoKind() const;
    bool hasMemoField() const;
};

// Parses a header block; returns a reason when it is not a usable DBF header. fileSize bounds
// the count that can be trusted (the caller decides what to do with an excess).
std::optional<std::string> parseHeader(std::string_view bytes, DbfHeader& out);
// How many header bytes to read to parse the header (reads the length at offset 8).
// Builds a header (fields with computed offsets, record length, header length).
std::string buildHeader(const DbfHeader& h);
// Fills lengths and offsets of a field list; returns a reason when a field is invalid.
std::optional<std::string> layoutFields(std::vector<Field>& fields, int& recLen);
// Stores the count and the update date of h into an existing 32-byte prefix.
void patchHeaderPrefix(const DbfHeader& h, char* first32);

// Field codecs. decode never fails: bad digits read as 0, a bad date as empty.
double parseNumber(const char* p, int len) noexcept;
void decodeField(const Field& f, const char* p, rt::Value& out);
// Encodes v into the field's bytes. Returns false on a type mismatch, and sets overflow when a
// number does not fit the width (the bytes are then left unchanged).
bool encodeField(const Field& f, const rt::Value& v, char* p, bool& overflow);
// The block number held by a memo field (0 = no memo).
std::uint32_t memoBlockOf(const char* p, int len) noexcept;
void setMemoBlock(char* p, int len, std::uint32_t block);

}  // namespace xb::table
