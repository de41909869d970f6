// TEXTIO: sequential text files: one output file written line by line, one input file read
// line by line or character by character with one character of look-ahead, and whole files
// read or written as one string.
//
// Files are plain bytes in the data's code page; nothing is converted. Lines end with CR LF
// unless the caller gives another ending. Ctrl-Z (26) is the end-of-file mark: the reader
// delivers it at the physical end of the file and a line stops at it; the writer puts one at
// the end of a file only when the file is closed without a closing text.
//
// Every operating-system error on these files, whether opening, reading, writing or
// closing, is a fatal stop (code 1) "Eroare DOS <code> ptr. fisierul <NAME>"; the callers
// never see an error result. Reading a whole file is the exception: it reads as "".
//
// Lifecycles (one of each per runtime):
//   output: closed -> openOut -> open -> putLine* -> closeOut -> closed
//   input:  closed -> openInp -> open -> getChar / nextChar / getLine* -> closeInp -> closed
// Invariant of the input buffer: after every getChar the character nextChar looks at is
// already in the buffer (a block is refilled while one unread character is left, and that
// character is kept at the front of the new block).
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::textio {

inline constexpr char kCtrlZ = 26;
inline constexpr std::size_t kBlock = 512;       // bytes read at a time
inline constexpr std::size_t kWritePiece = 256;  // largest write of memoWrit

// The operating-system calls of this module, replaceable by a double in tests. Each call
// reports failure by returning -1 (false for close) with err set to the errno value.
class FileOps {
public:
    enum class Mode { Read, Create, Append };
    virtual ~FileOps() = default;
    virtual int open(const std::string& hostPath, Mode mode, int& err);
    virtual long read(int fd, char* buf, std::size_t n, int& err);
    virtual long write(int fd, const char* buf, std::size_t n, int& err);
    virtual bool close(int fd, int& err);
};

struct TextIoState {
    static constexpr char kTag = 0;
    explicit TextIoState(rt::Runtime& rt);

    std::shared_ptr<FileOps> ops;
    int outHandle = 0;  // 0: no output file
    std::string outName;
    int inHandle = 0;  // 0: no input file
    std::string inName;
    std::string buffer;
    std::size_t valid = 0;  // characters of buffer that count
    std::size_t next = 1;   // 1-based position of the next character
    bool ended = false;     // a line met Ctrl-Z: the input is at its end
    int lastError = 0;      // OS error code of the last file operation
};
TextIoState& state(rt::Runtime& rt);

bool openOut(rt::Runtime& rt, std::string_view file, bool append = false);
// Writes text and ending (CR LF when none is given).
bool putLine(rt::Runtime& rt, std::string_view text,
             std::optional<std::string_view> ending = std::nullopt);
// Writes tail, or one Ctrl-Z when there is none, and closes the output file.
bool closeOut(rt::Runtime& rt, std::optional<std::string_view> tail = std::nullopt);
bool openInp(rt::Runtime& rt, std::string_view file);
char getChar(rt::Runtime& rt);
char nextChar(rt::Runtime& rt);
// Reads one line and its ending (CR LF, LF CR, CR, LF, form feed or "" at the end); false
// only when the end of the file is reached and the line is empty.
bool getLine(rt::Runtime& rt, std::string& line, std::string& ending);
bool closeInp(rt::Runtime& rt);
int inputHandle(rt::Runtime& rt);
// A fatal stop naming file when the last file operation failed; true otherwise.
bool fileErr(rt::Runtime& rt, std::string_view file);
// The whole file, "" when it cannot be read.
std::string memoRead(rt::Runtime& rt, std::string_view file);
// Creates file with text (a string value; anything else writes nothing), in pieces of at
// most kWritePiece bytes; no Ctrl-Z is added.
bool memoWrit(rt::Runtime& rt, std::string_view file, const rt::Value& text);

std::span<const rt::Builtin> builtins();

}  // namespace xb::fw::textio
