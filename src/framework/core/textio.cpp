// TEXTIO: sequential text files.
#include "framework/core/textio.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "framework/core/pathval.hpp"
#include "framework/core/trelbeg.hpp"

namespace xb::fw::textio {

int FileOps::open(const std::string& hostPath, Mode mode, int& err) {
    int flags = mode == Mode::Read     ? O_RDONLY
                : mode == Mode::Create ? O_WRONLY | O_CREAT | O_TRUNC
                                       : O_WRONLY | O_APPEND;
    int fd = ::open(hostPath.c_str(), flags | O_CLOEXEC, 0666);
    err = fd < 0 ? errno : 0;
    return fd;
}

long FileOps::read(int fd, char* buf, std::size_t n, int& err) {
    for (;;) {
        ssize_t r = ::read(fd, buf, n);
        if (r < 0 && errno == EINTR) continue;
        err = r < 0 ? errno : 0;
        return static_cast<long>(r);
    }
}

long FileOps::write(int fd, const char* buf, std::size_t n, int& err) {
    for (;;) {
        ssize_t r = ::write(fd, buf, n);
        if (r < 0 && errno == EINTR) continue;
        err = r < 0 ? errno : 0;
        return static_cast<long>(r);
    }
}

bool FileOps::close(int fd, int& err) {
    int r = ::close(fd);
    err = r < 0 ? errno : 0;
    return r == 0;
}

TextIoState::TextIoState(rt::Runtime& /*rt*/) : ops(std::make_shared<FileOps>()) {}

TextIoState& state(rt::Runtime& rt) { return rt.extension<TextIoState>(); }

namespace {

constexpr int kBadHandle = 6;

std::string upperTrim(std::string_view s) {
    std::string r = pathval::trimBlanks(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

// The fatal stop of a failed file operation.
[[noreturn]] void stopFor(rt::Runtime& rt, int code, std::string_view file) {
    trelbeg::hEnd(rt, 1,
                  "Eroare DOS " + std::to_string(code) + " ptr. fisierul " + upperTrim(file));
}

// Records the outcome of one operation and stops when it failed.
void check(rt::Runtime& rt, int err, std::string_view file, const std::string& hostFile = {}) {
    TextIoState& st = state(rt);
    st.lastError = err == 0 ? 0 : pathval::dosError(err, hostFile);
    if (st.lastError != 0) stopFor(rt, st.lastError, file);
}

void writeAll(rt::Runtime& rt, int fd, std::string_view bytes, std::string_view file) {
    TextIoState& st = state(rt);
    if (fd == 0) {
        st.lastError = kBadHandle;
        stopFor(rt, kBadHandle, file);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        int err = 0;
        long w = st.ops->write(fd, bytes.data() + done, bytes.size() - done, err);
        if (w <= 0) check(rt, err != 0 ? err : ENOSPC, file);  // always stops
        done += static_cast<std::size_t>(w);
    }
    st.lastError = 0;
}

// Runs write(), then closes fd and records the outcome of the close. The descriptor is
// closed even when write() stops, so a failed write leaks nothing.
template <class Write>
void writeThenClose(rt::Runtime& rt, int fd, std::string_view file, Write write) {
    TextIoState& st = state(rt);
    try {
        write();
    } catch (...) {
        int err = 0;
        st.ops->close(fd, err);
        throw;
    }
    int err = 0;
    st.ops->close(fd, err);
    check(rt, err, file);
}

int openFile(rt::Runtime& rt, std::string_view file, FileOps::Mode mode) {
    TextIoState& st = state(rt);
    std::string name = pathval::trimBlanks(file);
    if (mode != FileOps::Mode::Read) name = pathval::applyFileCase(rt, name);
    std::string host = pathval::hostPath(rt, name);
    int err = 0;
    int fd = host.empty() ? -1 : st.ops->open(host, mode, err);
    if (fd < 0) check(rt, host.empty() ? ENOENT : err, file, host);
    st.lastError = 0;
    return fd;
}

bool exists(rt::Runtime& rt, std::string_view file) {
    std::string host = pathval::hostPath(rt, pathval::trimBlanks(file));
    return !host.empty() && ::access(host.c_str(), F_OK) == 0;
}

void resetInput(TextIoState& st) {
    st.inHandle = 0;
    st.inName.clear();
    st.buffer.clear();
    st.valid = 0;
    st.next = 1;
    st.ended = false;
}

// Keeps the last unread character (if any) and appends the next block; at the physical end
// the block is two Ctrl-Z counted as one character.
void refill(rt::Runtime& rt, TextIoState& st) {
    if (st.inHandle == 0) {
        st.lastError = kBadHandle;
        stopFor(rt, kBadHandle, st.inName);
    }
    std::string kept;
    if (st.next <= st.valid && st.next <= st.buffer.size()) kept = st.buffer.substr(st.next - 1, 1);
    char block[kBlock];
    int err = 0;
    long n = st.ops->read(st.inHandle, block, kBlock, err);
    if (n < 0) check(rt, err, st.inName);
    st.lastError = 0;
    if (n == 0) {
        st.buffer = kept + std::string(2, kCtrlZ);
        st.valid = kept.size() + 1;
    } else {
        st.buffer = kept + std::string(block, static_cast<std::size_t>(n));
        st.valid = kept.size() + static_cast<std::size_t>(n);
    }
    st.next = 1;
}

}  // namespace

bool openOut(rt::Runtime& rt, std::string_view file, bool append) {
    TextIoState& st = state(rt);
    if (st.outHandle != 0) {  // an output file left open is closed as it is, not leaked
        int err = 0;
        st.ops->close(st.outHandle, err);
        st.outHandle = 0;
    }
    FileOps::Mode mode = append && exists(rt, file) ? FileOps::Mode::Append : FileOps::Mode::Create;
    st.outHandle = openFile(rt, file, mode);
    st.outName = pathval::trimBlanks(file);
    return true;
}

bool putLine(rt::Runtime& rt, std::string_view text, std::optional<std::string_view> ending) {
    TextIoState& st = state(rt);
    std::string bytes(text);
    bytes += ending ? *ending : std::string_view("\r\n");
    writeAll(rt, st.outHandle, bytes, st.outName);
    return true;
}

bool closeOut(rt::Runtime& rt, std::optional<std::string_view> tail) {
    TextIoState& st = state(rt);
    if (st.outHandle == 0) return true;
    std::string bytes = tail ? std::string(*tail) : std::string(1, kCtrlZ);
    int fd = st.outHandle;
    std::string name = st.outName;
    // The handle is given up whatever happens, so a failed write leaks nothing.
    st.outHandle = 0;
    writeThenClose(rt, fd, name, [&] { writeAll(rt, fd, bytes, name); });
    return true;
}

bool openInp(rt::Runtime& rt, std::string_view file) {
    TextIoState& st = state(rt);
    if (st.inHandle != 0) closeInp(rt);
    resetInput(st);
    st.inHandle = openFile(rt, file, FileOps::Mode::Read);
    st.inName = pathval::trimBlanks(file);
    return true;
}

char getChar(rt::Runtime& rt) {
    TextIoState& st = state(rt);
    if (st.next >= st.valid) refill(rt, st);
    return st.buffer[st.next++ - 1];
}

char nextChar(rt::Runtime& rt) {
    TextIoState& st = state(rt);
    if (st.next > st.valid) refill(rt, st);  // nothing unread yet (a short first block)
    return st.buffer[st.next - 1];
}

bool getLine(rt::Runtime& rt, std::string& line, std::string& ending) {
    TextIoState& st = state(rt);
    line.clear();
    ending.clear();
    bool atEnd = st.ended;
    while (!atEnd) {
        char c = getChar(rt);
        if (c == kCtrlZ) {
            st.ended = true;
            atEnd = true;
        } else if (c == '\r' && nextChar(rt) == '\n') {
            getChar(rt);
            ending = "\r\n";
            break;
        } else if (c == '\n' && nextChar(rt) == '\r') {
            getChar(rt);
            ending = "\n\r";
            break;
        } else if (c == '\r' || c == '\n' || c == '\f') {
            ending = std::string(1, c);
            break;
        } else {
            line += c;
        }
    }
    return !(atEnd && line.empty());
}

bool closeInp(rt::Runtime& rt) {
    TextIoState& st = state(rt);
    int fd = st.inHandle;
    std::string name = st.inName;
    resetInput(st);
    if (fd != 0) {
        int err = 0;
        st.ops->close(fd, err);
        check(rt, err, name);
    }
    return true;
}

int inputHandle(rt::Runtime& rt) { return state(rt).inHandle; }

bool fileErr(rt::Runtime& rt, std::string_view file) {
    TextIoState& st = state(rt);
    if (st.lastError != 0) stopFor(rt, st.lastError, file);
    return true;
}

std::string memoRead(rt::Runtime& rt, std::string_view file) {
    TextIoState& st = state(rt);
    std::string host = pathval::hostPath(rt, pathval::trimBlanks(file));
    int err = 0;
    int fd = host.empty() ? -1 : st.ops->open(host, FileOps::Mode::Read, err);
    if (fd < 0) {
        st.lastError = pathval::dosError(host.empty() ? ENOENT : err, host);
        return {};
    }
    std::string out;
    char buf[8192];
    for (;;) {
        long n = st.ops->read(fd, buf, sizeof buf, err);
        if (n < 0) {
            st.lastError = pathval::dosError(err);
            st.ops->close(fd, err);
            return {};
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    st.ops->close(fd, err);
    st.lastError = 0;
    return out;
}

bool memoWrit(rt::Runtime& rt, std::string_view file, const rt::Value& text) {
    int fd = openFile(rt, file, FileOps::Mode::Create);
    writeThenClose(rt, fd, file, [&] {
        if (!text.isString()) return;
        std::string_view all = text.str();
        for (std::size_t at = 0; at < all.size(); at += kWritePiece)
            writeAll(rt, fd, all.substr(at, kWritePiece), file);
    });
    return true;
}

namespace {

std::string strArg(const rt::Value& v) { return v.isString() ? v.str() : std::string(); }

// H_OPENOUT(file, append) -> .T.
void fn_H_OPENOUT(rt::Frame& f) {
    f.ret(openOut(f.runtime(), strArg(f.arg(1)), f.arg(2).isLogical() && f.arg(2).logical()));
}
// H_PUTLINE(text, ending) -> .T.
void fn_H_PUTLINE(rt::Frame& f) {
    const rt::Value& e = f.arg(2);
    f.ret(putLine(f.runtime(), strArg(f.arg(1)),
                  e.isString() ? std::optional<std::string_view>(e.str()) : std::nullopt));
}
// H_CLOSEOUT(tail) -> .T.
void fn_H_CLOSEOUT(rt::Frame& f) {
    const rt::Value& t = f.arg(1);
    f.ret(closeOut(f.runtime(),
                   t.isString() ? std::optional<std::string_view>(t.str()) : std::nullopt));
}
// H_OPENINP(file) -> .T.
void fn_H_OPENINP(rt::Frame& f) { f.ret(openInp(f.runtime(), strArg(f.arg(1)))); }
// H_GETCHAR() -> the next character (Ctrl-Z at the end)
void fn_H_GETCHAR(rt::Frame& f) { f.ret(std::string(1, getChar(f.runtime()))); }
// H_NEXTCHAR() -> the character H_GETCHAR will return
void fn_H_NEXTCHAR(rt::Frame& f) { f.ret(std::string(1, nextChar(f.runtime()))); }
// H_GETLINE(@line, @ending) -> logical
void fn_H_GETLINE(rt::Frame& f) {
    std::string line, ending;
    bool ok = getLine(f.runtime(), line, ending);
    f.setRef(1, rt::Value(line));
    f.setRef(2, rt::Value(ending));
    f.ret(ok);
}
// H_CLOSEINP() -> .T.
void fn_H_CLOSEINP(rt::Frame& f) { f.ret(closeInp(f.runtime())); }
// H_IHANDLE() -> the input file's handle, 0 when none
void fn_H_IHANDLE(rt::Frame& f) { f.ret(rt::Value::integer(inputHandle(f.runtime()))); }
// H_FILEERR(file) -> .T. (or a fatal stop)
void fn_H_FILEERR(rt::Frame& f) { f.ret(fileErr(f.runtime(), strArg(f.arg(1)))); }
// H_MEMOREAD(file) -> the file's content, "" when unreadable
void fn_H_MEMOREAD(rt::Frame& f) { f.ret(memoRead(f.runtime(), strArg(f.arg(1)))); }
// H_MEMOWRIT(file, text) -> .T.
void fn_H_MEMOWRIT(rt::Frame& f) { f.ret(memoWrit(f.runtime(), strArg(f.arg(1)), f.arg(2))); }

const rt::Builtin kBuiltins[] = {
    {"H_OPENOUT", fn_H_OPENOUT}, {"H_PUTLINE", fn_H_PUTLINE},   {"H_CLOSEOUT", fn_H_CLOSEOUT},
    {"H_OPENINP", fn_H_OPENINP}, {"H_GETCHAR", fn_H_GETCHAR},   {"H_NEXTCHAR", fn_H_NEXTCHAR},
    {"H_GETLINE", fn_H_GETLINE}, {"H_CLOSEINP", fn_H_CLOSEINP}, {"H_IHANDLE", fn_H_IHANDLE},
    {"H_FILEERR", fn_H_FILEERR}, {"H_MEMOREAD", fn_H_MEMOREAD}, {"H_MEMOWRIT", fn_H_MEMOWRIT},
};

}  // namespace

std::span<const rt::Builtin> builtins() { return kBuiltins; }

}  // namespace xb::fw::textio
