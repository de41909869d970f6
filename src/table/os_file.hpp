// OS_FILE: the table engine's only door to the operating system's files: open, positioned
// reads and writes, size, sync, whole-file sharing locks and byte-range locks.
//
// Every call goes through a FileOps object so that tests can inject failures (a refused open,
// a short write, a full disk) without touching real devices. Locks are open-file-description
// locks (F_OFD_SETLK) and flock(), both owned by the descriptor rather than the process, so
// closing another descriptor of the same file never drops them and two opens in one process
// exclude each other as two programs would.
// errno is mapped to the classic DOS codes that the error handler tests: 2 file not found,
// 3 path not found, 4 too many open files, 5 access denied, 32 sharing violation.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace xb::table {

// The system calls the engine makes; the default forwards to the kernel.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual int close(int fd);
    virtual ssize_t pread(int fd, void* buf, std::size_t n, off_t off);
    virtual ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t off);
    virtual int ftruncate(int fd, off_t size);
    virtual int fsync(int fd);
    virtual off_t size(int fd);  // -1 on failure
    virtual int flock(int fd, int op);
    // One F_OFD_SETLK/F_OFD_SETLKW call; type is F_RDLCK, F_WRLCK or F_UNLCK.
    virtual int lockRange(int fd, short type, off_t start, off_t len, bool wait);
};

FileOps& fileOps();
// Installs ops for the lifetime of the guard (tests).
class ScopedFileOps {
public:
    explicit ScopedFileOps(FileOps& ops);
    ~ScopedFileOps();
    ScopedFileOps(const ScopedFileOps&) = delete;
    ScopedFileOps& operator=(const ScopedFileOps&) = delete;

private:
    FileOps* prev_;
};

// errno of a failed open as a DOS code: ENOENT 2 (3 when the folder is missing), EMFILE and
// ENFILE 4, EACCES/EPERM/EROFS/EISDIR 5, EWOULDBLOCK 32; others 5.
int dosCodeForOpen(int err, std::string_view path) noexcept;
// errno of a refused lock: EACCES, EAGAIN, EWOULDBLOCK 32; others 33 (lock violation).
int dosCodeForLock(int err) noexcept;

// The name to use for `path`: the path itself when it exists, else the entry of its folder
// whose name matches ignoring case (tables written on other systems), else `path`.
std::string resolveCase(const std::string& path);
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);

enum class Share { Exclusive, Shared, None };

// One open descriptor. Moves, never copies; closes on destruction.
class OsFile {
public:
    OsFile() = default;
    ~OsFile() { close(); }
    OsFile(OsFile&& o) noexcept : fd_(o.fd_), path_(std::move(o.path_)) { o.fd_ = -1; }
    OsFile& operator=(OsFile&& o) noexcept;
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;

    // Opens an existing file; returns 0 or the errno.
    int open(const std::string& path, bool readOnly);
    // Creates (truncates) a file; returns 0 or the errno.
    int create(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    int fd() const { return fd_; }

    // Whole-file sharing lock without waiting; 0 or the errno.
    int shareLock(Share s);

    // Reads up to n bytes; returns the count read (short at end of file) or -1.
    long long readAt(void* buf, std::size_t n, std::uint64_t off);
    // Writes exactly n bytes; false on failure (errno is kept).
    bool writeAt(const void* buf, std::size_t n, std::uint64_t off);
    long long size();
    bool truncate(std::uint64_t size);
    bool sync();

    // Byte-range locks; 0 or the errno.
    int lock(std::uint64_t start, std::uint64_t len, bool write, bool wait);
    int unlock(std::uint64_t start, std::uint64_t len);

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace xb::table
