// HSUBMEMO: several named texts (sections) kept in one memo field.
//
// The layout is shared with the main application, byte for byte (positions 1-based):
//   off  size
//     1    10  "HSUBMEMO" CR LF
//    11  20n  the directory, one line per section:
//               1   8  section name, blank-filled on the right
//               9   5  start of the section's text in the whole memo, right-aligned
//              14   5  check field, always "    0"
//              19   2  CR LF
//   then the texts of all sections, back to back, in directory order.
// A section runs from its start to the next section's start (or the end of the memo).
// The whole memo is at most kMaxMemo characters (the width of the start field).
// Invariants: a memo without sections is stored as ""; putSubMemo leaves the other
// sections' texts and check fields as they were. An older form is still read: a memo of
// exactly 40 characters beginning with "PgDescr:" is the one section "PgDescr:" holding the
// rest of its first line without trailing blanks.
// A memo that is neither empty nor in one of these forms, or whose directory is damaged,
// is a fatal stop "Submemo distrus".
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::hsubmemo {

inline constexpr std::size_t kMaxMemo = 99999;
inline constexpr std::string_view kMarker = "HSUBMEMO\r\n";
inline constexpr std::string_view kCheck = "    0";

// The text of section name (compared blank-filled to 8 characters; case matters); "" when
// there is none.
std::string getSubMemo(rt::Runtime& rt, std::string_view memo, std::string_view name);
// Replaces, adds (as the last section) or, for an empty text, removes section name. False,
// with memo unchanged, when the result would exceed kMaxMemo characters.
bool putSubMemo(rt::Runtime& rt, std::string& memo, std::string_view name, std::string_view text);

std::span<const rt::Builtin> builtins();

}  // namespace xb::fw::hsubmemo
