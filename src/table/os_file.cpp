#include "table/os_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace xb::table {

int FileOps::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileOps::close(int fd) { return ::close(fd); }
ssize_t FileOps::pread(int fd, void* buf, std::size_t n, off_t off) {
    return ::pread(fd, buf, n, off);
}
ssize_t FileOps::pwrite(int fd, const void* buf, std::size_t n, off_t off) {
    return ::pwrite(fd, buf, n, off);
}
int FileOps::ftruncate(int fd, off_t size) { return ::ftruncate(fd, size); }
int FileOps::fsync(int fd) { return ::fsync(fd); }
off_t FileOps::size(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    return st.st_size;
}
int FileOps::flock(int fd, int op) { return ::flock(fd, op); }
int FileOps::lockRange(int fd, short type, off_t start, off_t len, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    fl.l_pid = 0;
    return ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
}

namespace {
FileOps& defaultOps() {
    static FileOps ops;
    return ops;
}
FileOps* current = nullptr;

std::string folderOf(std::string_view path) {
    auto p = path.rfind('/');
    if (p == std::string_view::npos) return ".";
    if (p == 0) return "/";
    return std::string(path.substr(0, p));
}
}  // namespace

FileOps& fileOps() { return current ? *current : defaultOps(); }
ScopedFileOps::ScopedFileOps(FileOps& ops) : prev_(current) { current = &ops; }
ScopedFileOps::~ScopedFileOps() { current = prev_; }

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int dosCodeForOpen(int err, std::string_view path) noexcept {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            try {
                return isDirectory(folderOf(path)) ? 2 : 3;
            } catch (...) {
                return 2;
            }
        case EMFILE:
        case ENFILE:
            return 4;
        case EWOULDBLOCK:
            return 32;
        default:
            return 5;
    }
}

int dosCodeForLock(int err) noexcept {
    return (err == EACCES || err == EAGAIN || err == EWOULDBLOCK) ? 32 : 33;
}

std::string resolveCase(const std::string& path) {
    if (fileExists(path)) return path;
    auto p = path.rfind('/');
    std::string dir = p == std::string::npos ? "." : (p == 0 ? "/" : path.substr(0, p));
    std::string name = p == std::string::npos ? path : path.substr(p + 1);
    if (p != std::string::npos && !isDirectory(dir)) {
        std::string d = resolveCase(dir);
        if (d == dir) return path;
        dir = d;
    }
    DIR* dh = ::opendir(dir.c_str());
    if (!dh) return path;
    std::string found;
    while (dirent* e = ::readdir(dh)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(dh);
    if (found.empty()) return path;
    return (p == std::string::npos ? std::string() : (dir == "/" ? "/" : dir + "/")) + found;
}

OsFile& OsFile::operator=(OsFile&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        path_ = std::move(o.path_);
        o.fd_ = -1;
    }
    return *this;
}

int OsFile::open(const std::string& path, bool readOnly) {
    close();
    int fd = fileOps().open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC, 0);
    if (fd < 0) return errno;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        fileOps().close(fd);
        return EISDIR;
    }
    fd_ = fd;
    path_ = path;
    return 0;
}

int OsFile::create(const std::string& path) {
    close();
    if (isDirectory(path)) return EISDIR;
    int fd = fileOps().open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    fd_ = fd;
    path_ = path;
    return 0;
}

void OsFile::close() {
    if (fd_ >= 0) fileOps().close(fd_);
    fd_ = -1;
}

int OsFile::shareLock(Share s) {
    if (s == Share::None) return 0;
    int op = (s == Share::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    return fileOps().flock(fd_, op) == 0 ? 0 : errno;
}

long long OsFile::readAt(void* buf, std::size_t n, std::uint64_t off) {
    std::size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
        ssize_t r = fileOps().pread(fd_, p + done, n - done, static_cast<off_t>(off + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(done);
}

bool OsFile::writeAt(const void* buf, std::size_t n, std::uint64_t off) {
    std::size_t done = 0;
    auto* p = static_cast<const char*>(buf);
    while (done < n) {
        ssize_t r = fileOps().pwrite(fd_, p + done, n - done, static_cast<off_t>(off + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

long long OsFile::size() { return fileOps().size(fd_); }
bool OsFile::truncate(std::uint64_t sz) {
    return fileOps().ftruncate(fd_, static_cast<off_t>(sz)) == 0;
}
bool OsFile::sync() { return fileOps().fsync(fd_) == 0; }

int OsFile::lock(std::uint64_t start, std::uint64_t len, bool write, bool wait) {
    for (;;) {
        if (fileOps().lockRange(fd_, write ? F_WRLCK : F_RDLCK, static_cast<off_t>(start),
                                static_cast<off_t>(len), wait) == 0)
            return 0;
        if (errno != EINTR) return errno;
    }
}

int OsFile::unlock(std::uint64_t start, std::uint64_t len) {
    return fileOps().lockRange(fd_, F_UNLCK, static_cast<off_t>(start), static_cast<off_t>(len),
                               false) == 0
               ? 0
               : errno;
}

}  // namespace xb::table
