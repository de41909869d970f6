// Environment and file functions: GetEnv(), File(), Directory(), the low-level FOpen() family
// and MemoRead()/MemoWrit().
//
// File names follow the program's Windows habits: when the exact name does not exist, a
// case-insensitive match of its last component in the folder is used, and wildcards ignore
// case. "/" and "\" both separate folders in masks. Handles are the descriptors this
// runtime opened; any other number is refused with FError() 6, so FClose(0) cannot close the
// console. FError() holds the classic code of the last file function (0 after success).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <set>

#include "runtime/date.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {

// The descriptors opened by FOpen()/FCreate() and the last error code.
struct FileTable {
    static constexpr char kTag = 0;
    explicit FileTable(rt::Runtime&) {}
    ~FileTable() {
        for (int fd : open) ::close(fd);
    }
    FileTable(const FileTable&) = delete;
    FileTable& operator=(const FileTable&) = delete;
    std::set<int> open;
    int lastError = 0;
};

bool exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

bool isDir(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// Splits at the last folder separator: ("dir/", "name"); the folder part keeps its separator.
void splitPath(std::string_view path, std::string& dir, std::string& name) {
    std::size_t p = path.find_last_of("/\\");
    if (p == std::string_view::npos) {
        dir.clear();
        name = std::string(path);
    } else {
        dir = std::string(path.substr(0, p + 1));
        name = std::string(path.substr(p + 1));
    }
}

std::string folderOf(const std::string& dir) { return dir.empty() ? std::string(".") : dir; }

template <class Fn>
void forEachEntry(const std::string& folder, Fn fn) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        if (!fn(n)) break;
    }
    ::closedir(d);
}

// The existing file a name refers to: itself, or a case-insensitive match in its folder.
std::string resolve(const std::string& path) {
    if (path.empty() || exists(path)) return path;
    std::string dir, name;
    splitPath(path, dir, name);
    std::string found;
    forEachEntry(folderOf(dir), [&](const std::string& n) {
        if (!equalsIgnoreCase(n, name)) return true;
        found = dir + n;
        return false;
    });
    return found.empty() ? path : found;
}

int codeFor(int err, const std::string& path) {
    if (err == ENOENT) {
        std::string dir, name;
        splitPath(path, dir, name);
        if (!dir.empty() && !isDir(dir)) return 3;
    }
    return dosError(err);
}

bool hasWildcards(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

}  // namespace

int dosError(int err) noexcept {
    switch (err) {
        case 0:
            return 0;
        case ENOENT:
            return 2;
        case ENOTDIR:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return 5;
        case EBADF:
            return 6;
        case EAGAIN:
        case EBUSY:
        case ETXTBSY:
            return 32;
        case EEXIST:
            return 80;
        case ENOSPC:
            return 112;
        default:
            return 5;
    }
}

bool wildMatch(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    return globMatch(mask, name);
}

bool globMatch(std::string_view mask, std::string_view name) {
    // Iterative match with backtracking to the last "*".
    std::size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || lowerAscii(mask[m]) == lowerAscii(name[n]))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::optional<std::string> memoRead(const std::string& path) {
    std::string real = resolve(path);
    int fd = ::open(real.c_str(), O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!out.empty() && out.back() == '\x1A') out.pop_back();  // a DOS end-of-file mark
    return out;
}

bool memoWrit(const std::string& path, std::string_view data) {
    std::string real = resolve(path);
    int fd = ::open(real.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

rt::Value directory(const std::string& mask, std::string_view attributes) {
    std::string dir, pattern;
    splitPath(mask.empty() ? std::string("*.*") : mask, dir, pattern);
    if (pattern.empty()) pattern = "*.*";
    bool wantDirs = false, wantHidden = false;
    for (char c : attributes) {
        char u = lowerAscii(c);
        wantDirs = wantDirs || u == 'd';
        wantHidden = wantHidden || u == 'h' || u == 's';
    }
    std::vector<std::string> names;
    forEachEntry(folderOf(dir), [&](const std::string& n) {
        if (wildMatch(pattern, n)) names.push_back(n);
        return true;
    });
    std::sort(names.begin(), names.end());
    std::vector<rt::Value> rows;
    for (const std::string& n : names) {
        struct stat st;
        if (::stat((folderOf(dir) + "/" + n).c_str(), &st) != 0) continue;
        bool directoryEntry = S_ISDIR(st.st_mode);
        bool hidden = n[0] == '.';
        if ((directoryEntry && !wantDirs) || (hidden && !wantHidden)) continue;
        std::tm tm{};
        localtime_r(&st.st_mtime, &tm);
        char tbuf[16];
        std::snprintf(tbuf, sizeof tbuf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
        std::string attr;
        if (!(st.st_mode & S_IWUSR)) attr += "R";
        if (hidden) attr += "H";
        attr += directoryEntry ? "D" : "A";
        rows.push_back(rt::Value::newArray(
            {rt::Value(n), integer(static_cast<long long>(st.st_size)),
             rt::Value::date(rt::julianOf(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)),
             rt::Value(std::string(tbuf)), rt::Value(attr)}));
    }
    return rt::Value::newArray(std::move(rows));
}

namespace {

FileTable& files(rt::Frame& f) { return f.runtime().extension<FileTable>(); }

void setError(rt::Frame& f, int code) { files(f).lastError = code; }

// The descriptor of a handle argument, or -1 (FError 6) when this runtime did not open it.
int handleArg(rt::Frame& f, int n) {
    FileTable& t = files(f);
    if (f.arg(n).isNumber()) {
        double h = f.arg(n).numVal();
        if (h >= 0 && h < 1e9 && t.open.count(static_cast<int>(h))) return static_cast<int>(h);
    }
    t.lastError = 6;
    return -1;
}

void fn_GETENV(rt::Frame& f) {
    std::string name = f.arg(1).isString() ? f.arg(1).str() : std::string();
    const char* v = name.empty() ? nullptr : std::getenv(name.c_str());
    if (v) return f.ret(std::string(v));
    f.ret(f.arg(2).isString() ? f.arg(2) : rt::Value(""));
}

void fn_FILE(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(false);
    const std::string& mask = f.arg(1).str();
    if (mask.empty()) return f.ret(false);
    if (!hasWildcards(mask)) return f.ret(exists(resolve(mask)));
    std::string dir, pattern;
    splitPath(mask, dir, pattern);
    bool found = false;
    forEachEntry(folderOf(dir), [&](const std::string& n) {
        found = wildMatch(pattern, n);
        return !found;
    });
    f.ret(found);
}

void fn_HB_FILEEXISTS(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(false);
    std::string p = resolve(f.arg(1).str());
    f.ret(exists(p) && !isDir(p));
}

void fn_HB_DIREXISTS(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(false);
    f.ret(isDir(resolve(f.arg(1).str())));
}

void fn_FERASE(rt::Frame& f) {
    if (!f.arg(1).isString()) return setError(f, 2), f.ret(integer(-1));
    std::string p = resolve(f.arg(1).str());
    if (::unlink(p.c_str()) != 0) return setError(f, codeFor(errno, p)), f.ret(integer(-1));
    setError(f, 0);
    f.ret(integer(0));
}

void fn_FRENAME(rt::Frame& f) {
    if (!f.arg(1).isString() || !f.arg(2).isString()) return setError(f, 2), f.ret(integer(-1));
    std::string from = resolve(f.arg(1).str());
    const std::string& to = f.arg(2).str();
    if (exists(to)) return setError(f, 5), f.ret(integer(-1));  // never replaces a file
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return setError(f, codeFor(errno, from)), f.ret(integer(-1));
    }
    setError(f, 0);
    f.ret(integer(0));
}

void fn_DIRECTORY(rt::Frame& f) {
    std::string mask = f.arg(1).isString() ? f.arg(1).str() : std::string("*.*");
    std::string attr = f.arg(2).isString() ? f.arg(2).str() : std::string();
    f.ret(directory(mask, attr));
}

void fn_CURDIR(rt::Frame& f) {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return f.ret("");
    std::string s = buf;
    f.ret(s.empty() || s[0] != '/' ? s : s.substr(1));  // like the classic form, no leading root
}

void fn_DIRCHANGE(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(integer(3));
    std::string p = resolve(f.arg(1).str());
    f.ret(integer(::chdir(p.c_str()) == 0 ? 0 : codeFor(errno, p)));
}

void fn_MAKEDIR(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(integer(3));
    const std::string& p = f.arg(1).str();
    f.ret(integer(::mkdir(p.c_str(), 0777) == 0 ? 0 : codeFor(errno, p)));
}

void fn_DIRREMOVE(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(integer(3));
    std::string p = resolve(f.arg(1).str());
    f.ret(integer(::rmdir(p.c_str()) == 0 ? 0 : codeFor(errno, p)));
}

void fn_DISKSPACE(rt::Frame& f) {
    struct statvfs st;
    if (::statvfs(".", &st) != 0) return f.ret(integer(0));
    f.ret(rt::Value::integer(static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize)));
}

void fn_MEMOREAD(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret("");
    auto text = memoRead(f.arg(1).str());
    f.ret(text ? *text : std::string());
}

void fn_MEMOWRIT(rt::Frame& f) {
    if (!f.arg(1).isString() || !f.arg(2).isString()) return f.ret(false);
    f.ret(memoWrit(f.arg(1).str(), f.arg(2).str()));
}

// FOPEN(name, mode): mode 0 read, 1 write, 2 read and write; the sharing bits are ignored.
void fn_FOPEN(rt::Frame& f) {
    if (!f.arg(1).isString()) return setError(f, 2), f.ret(integer(-1));
    std::string p = resolve(f.arg(1).str());
    long long mode = f.arg(2).isNumber() ? clampedInt(f.arg(2).numVal()) : 0;
    int flags = (mode & 3) == 1 ? O_WRONLY : (mode & 3) == 2 ? O_RDWR : O_RDONLY;
    int fd = ::open(p.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return setError(f, codeFor(errno, p)), f.ret(integer(-1));
    files(f).open.insert(fd);
    setError(f, 0);
    f.ret(integer(fd));
}

void fn_FCREATE(rt::Frame& f) {
    if (!f.arg(1).isString()) return setError(f, 2), f.ret(integer(-1));
    std::string p = resolve(f.arg(1).str());
    int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return setError(f, codeFor(errno, p)), f.ret(integer(-1));
    files(f).open.insert(fd);
    setError(f, 0);
    f.ret(integer(fd));
}

std::size_t countArg(rt::Frame& f, int n, std::size_t def) {
    if (!f.arg(n).isNumber()) return def;
    double d = f.arg(n).numVal();
    if (!(d > 0)) return 0;
    return d > static_cast<double>(def) ? def : static_cast<std::size_t>(d);
}

std::string readUpTo(rt::Frame& f, int fd, std::size_t n) {
    std::string out;
    char buf[65536];
    while (out.size() < n) {
        std::size_t want = std::min(sizeof buf, n - out.size());
        ssize_t r = ::read(fd, buf, want);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            setError(f, dosError(errno));
            break;
        }
        if (r == 0) break;
        out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
}

// FREAD(handle, @buffer, count): reads into the start of the buffer (at most its length);
// returns the bytes read.
void fn_FREAD(rt::Frame& f) {
    int fd = handleArg(f, 1);
    if (fd < 0) return f.ret(integer(0));
    setError(f, 0);
    rt::Value* ref = f.ref(2);
    std::size_t limit = ref && ref->isString() ? ref->str().size() : (64u << 20);
    std::size_t n = countArg(f, 3, limit);
    std::string data = readUpTo(f, fd, n);
    if (ref && ref->isString()) {
        std::string b = ref->str();
        b.replace(0, data.size(), data);
        *ref = rt::Value(std::move(b));
    }
    f.ret(integer(static_cast<long long>(data.size())));
}

// FREADSTR(handle, count): reads up to count bytes, stopping before a NUL.
void fn_FREADSTR(rt::Frame& f) {
    int fd = handleArg(f, 1);
    if (fd < 0) return f.ret("");
    setError(f, 0);
    std::string data = readUpTo(f, fd, countArg(f, 2, 64u << 20));
    std::size_t z = data.find('\0');
    if (z != std::string::npos) {
        ::lseek(fd, static_cast<off_t>(z) - static_cast<off_t>(data.size()), SEEK_CUR);
        data.resize(z);
    }
    f.ret(data);
}

void fn_FWRITE(rt::Frame& f) {
    int fd = handleArg(f, 1);
    if (fd < 0 || !f.arg(2).isString()) return f.ret(integer(0));
    setError(f, 0);
    const std::string& s = f.arg(2).str();
    std::size_t n = countArg(f, 3, s.size());
    std::size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd, s.data() + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            setError(f, dosError(errno));
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    f.ret(integer(static_cast<long long>(done)));
}

// FSEEK(handle, offset, origin): origin 0 from the start, 1 from the current position, 2 from
// the end; returns the new position.
void fn_FSEEK(rt::Frame& f) {
    int fd = handleArg(f, 1);
    if (fd < 0) return f.ret(integer(0));
    double off = f.arg(2).isNumber() ? f.arg(2).numVal() : 0;
    if (!std::isfinite(off) || std::fabs(off) > 9e15) off = 0;
    long long origin = f.arg(3).isNumber() ? clampedInt(f.arg(3).numVal()) : 0;
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(fd, static_cast<off_t>(off), whence);
    if (r < 0) {
        setError(f, 25);  // seek error
        r = ::lseek(fd, 0, SEEK_CUR);
    } else {
        setError(f, 0);
    }
    f.ret(integer(static_cast<long long>(r < 0 ? 0 : r)));
}

void fn_FCLOSE(rt::Frame& f) {
    int fd = handleArg(f, 1);
    if (fd < 0) return f.ret(false);
    files(f).open.erase(fd);
    bool ok = ::close(fd) == 0;
    setError(f, ok ? 0 : dosError(errno));
    f.ret(ok);
}

void fn_FERROR(rt::Frame& f) { f.ret(integer(files(f).lastError)); }

// The platform's line end and folder separator, and its name.
void fn_HB_EOL(rt::Frame& f) { f.ret("\n"); }
void fn_HB_PS(rt::Frame& f) { f.ret("/"); }
void fn_OS(rt::Frame& f) { f.ret("Linux"); }

const rt::Builtin kBuiltins[] = {
    {"GETENV", fn_GETENV},
    {"HB_GETENV", fn_GETENV},
    {"FILE", fn_FILE},
    {"HB_FILEEXISTS", fn_HB_FILEEXISTS},
    {"HB_DIREXISTS", fn_HB_DIREXISTS},
    {"FERASE", fn_FERASE},
    {"FRENAME", fn_FRENAME},
    {"DIRECTORY", fn_DIRECTORY},
    {"CURDIR", fn_CURDIR},
    {"DIRCHANGE", fn_DIRCHANGE},
    {"MAKEDIR", fn_MAKEDIR},
    {"DIRREMOVE", fn_DIRREMOVE},
    {"DISKSPACE", fn_DISKSPACE},
    {"MEMOREAD", fn_MEMOREAD},
    {"MEMOWRIT", fn_MEMOWRIT},
    {"FOPEN", fn_FOPEN},
    {"FCREATE", fn_FCREATE},
    {"FREAD", fn_FREAD},
    {"FREADSTR", fn_FREADSTR},
    {"FWRITE", fn_FWRITE},
    {"FSEEK", fn_FSEEK},
    {"FCLOSE", fn_FCLOSE},
    {"FERROR", fn_FERROR},
    {"HB_EOL", fn_HB_EOL},
    {"HB_OSNEWLINE", fn_HB_EOL},
    {"HB_PS", fn_HB_PS},
    {"OS", fn_OS},
};
}  // namespace

std::span<const rt::Builtin> fileBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
