// DBT and FPT memo files (see memo.hpp for the layouts).
#include <algorithm>
#include <cstring>
#include <vector>

#include "table/memo.hpp"

namespace xb::table {

namespace {
constexpr std::uint32_t kBlock = 512;

class DbtFile final : public MemoFile {
public:
    const char* extension() const override { return ".DBT"; }

    bool initialise(int) override {
        char h[kBlock] = {};
        nextFree_ = 1;
        putHeader(h);
        return file_.writeAt(h, kBlock, 0);
    }

    bool load() override {
        char h[4];
        if (file_.readAt(h, 4, 0) != 4) {
            error_ = "memo header truncated";
            return false;
        }
        nextFree_ = le32(h);
        return true;
    }

    bool read(std::uint32_t block, std::string& out) override {
        out.clear();
        if (block == 0) return true;
        std::uint64_t pos = static_cast<std::uint64_t>(block) * kBlock;
        if (!within(pos + 1)) {
            error_ = "memo block " + std::to_string(block) + " past the end of the memo file";
            return false;
        }
        char buf[kBlock];
        for (;;) {
            long long n = file_.readAt(buf, kBlock, pos);
            if (n < 0) {
                error_ = "read error";
                return false;
            }
            if (n == 0) return true;  // no terminator before the end: what is there
            const void* end = std::memchr(buf, 0x1A, static_cast<std::size_t>(n));
            if (end) {
                out.append(buf, static_cast<std::size_t>(static_cast<const char*>(end) - buf));
                return true;
            }
            out.append(buf, static_cast<std::size_t>(n));
            pos += static_cast<std::uint64_t>(n);
        }
    }

    std::optional<std::uint32_t> write(std::uint32_t oldBlock, std::string_view text) override {
        if (text.empty()) return 0u;
        std::uint32_t need = blocksFor(text.size());
        std::uint32_t target = 0;
        if (oldBlock != 0) {
            std::string old;
            if (read(oldBlock, old) && blocksFor(old.size()) >= need) target = oldBlock;
        }
        if (shared_ && !load()) return std::nullopt;  // another user may have appended
        bool append = target == 0;
        if (append) {
            target = nextFree_ < 1 ? 1 : nextFree_;
            auto endBlock = static_cast<std::uint32_t>((knownSize() + kBlock - 1) / kBlock);
            if (endBlock > target) target = endBlock;
        }
        std::vector<char> buf(static_cast<std::size_t>(need) * kBlock, '\0');
        std::memcpy(buf.data(), text.data(), text.size());
        buf[text.size()] = 0x1A;
        buf[text.size() + 1] = 0x1A;
        // In place only the used part is written, so the blocks after it stay as they are.
        std::size_t len = append ? buf.size() : text.size() + 2;
        if (!file_.writeAt(buf.data(), len, static_cast<std::uint64_t>(target) * kBlock)) {
            error_ = "write error";
            return std::nullopt;
        }
        if (append) {
            nextFree_ = target + need;
            size_ = std::max<std::uint64_t>(size_, static_cast<std::uint64_t>(nextFree_) * kBlock);
            char h[4];
            put32(h, nextFree_);
            if (!file_.writeAt(h, 4, 0)) return std::nullopt;
        }
        return target;
    }

    bool clear() override {
        if (!file_.truncate(0)) return false;
        size_ = 0;
        return initialise(0);
    }

private:
    static std::uint32_t le32(const char* p) {
        auto* u = reinterpret_cast<const unsigned char*>(p);
        return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
    }
    static void put32(char* p, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void putHeader(char* h) {
        put32(h, nextFree_);
        h[16] = 0x03;
    }
    static std::uint32_t blocksFor(std::size_t len) {
        return static_cast<std::uint32_t>((len + 2 + kBlock - 1) / kBlock);
    }
    std::uint32_t nextFree_ = 1;
};

class FptFile final : public MemoFile {
public:
    const char* extension() const override { return ".FPT"; }

    bool initialise(int blockSize) override {
        blockSize_ = blockSize > 0 ? static_cast<std::uint32_t>(blockSize) : 64;
        nextFree_ = (512 + blockSize_ - 1) / blockSize_;
        char h[512] = {};
        put32(h, nextFree_);
        put32(h + 4, blockSize_);
        return file_.writeAt(h, 512, 0);
    }

    bool load() override {
        char h[8];
        if (file_.readAt(h, 8, 0) != 8) {
            error_ = "memo header truncated";
            return false;
        }
        nextFree_ = be32(h);
        std::uint32_t bs = be32(h + 4);
        if (bs == 0 || bs > 0xFFFF)
            bs = static_cast<unsigned char>(h[6]) << 8 | static_cast<unsigned char>(h[7]);
        blockSize_ = bs == 0 ? 64 : bs;
        return true;
    }

    bool read(std::uint32_t block, std::string& out) override {
        out.clear();
        if (block == 0) return true;
        std::uint64_t pos = static_cast<std::uint64_t>(block) * blockSize_;
        if (!within(pos + 8)) {
            error_ = "memo block " + std::to_string(block) + " past the end of the memo file";
            return false;
        }
        char h[8];
        if (file_.readAt(h, 8, pos) != 8) {
            error_ = "read error";
            return false;
        }
        std::uint32_t len = be32(h + 4);
        if (!within(pos + 8 + len)) {
            error_ = "memo at block " + std::to_string(block) + " longer than the memo file";
            return false;
        }
        out.resize(len);
        if (len > 0 && file_.readAt(out.data(), len, pos + 8) != len) {
            error_ = "read error";
            out.clear();
            return false;
        }
        return true;
    }

    std::optional<std::uint32_t> write(std::uint32_t oldBlock, std::string_view text) override {
        if (text.empty()) return 0u;
        std::uint32_t need = blocksFor(text.size());
        std::uint32_t target = 0;
        if (shared_ && !load()) return std::nullopt;
        if (oldBlock != 0) {
            char h[8];
            std::uint64_t pos = static_cast<std::uint64_t>(oldBlock) * blockSize_;
            if (file_.readAt(h, 8, pos) == 8 && blocksFor(be32(h + 4)) >= need) target = oldBlock;
        }
        bool append = target == 0;
        if (append) {
            target = nextFree_;
            auto endBlock = static_cast<std::uint32_t>((knownSize() + blockSize_ - 1) / blockSize_);
            if (endBlock > target) target = endBlock;
        }
        std::size_t total = append ? static_cast<std::size_t>(need) * blockSize_ : text.size() + 8;
        std::vector<char> buf(total, '\0');
        put32(buf.data(), 1);
        put32(buf.data() + 4, static_cast<std::uint32_t>(text.size()));
        std::memcpy(buf.data() + 8, text.data(), text.size());
        if (!file_.writeAt(buf.data(), buf.size(),
                           static_cast<std::uint64_t>(target) * blockSize_)) {
            error_ = "write error";
            return std::nullopt;
        }
        if (append) {
            nextFree_ = target + need;
            size_ =
                std::max<std::uint64_t>(size_, static_cast<std::uint64_t>(nextFree_) * blockSize_);
            char h[4];
            put32(h, nextFree_);
            if (!file_.writeAt(h, 4, 0)) return std::nullopt;
        }
        return target;
    }

    bool clear() override {
        if (!file_.truncate(0)) return false;
        size_ = 0;
        return initialise(static_cast<int>(blockSize_));
    }

private:
    static std::uint32_t be32(const char* p) {
        auto* u = reinterpret_cast<const unsigned char*>(p);
        return (static_cast<std::uint32_t>(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
    }
    static void put32(char* p, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    }
    std::uint32_t blocksFor(std::size_t len) const {
        return static_cast<std::uint32_t>((len + 8 + blockSize_ - 1) / blockSize_);
    }
    std::uint32_t blockSize_ = 64;
    std::uint32_t nextFree_ = 8;
};
}  // namespace

std::unique_ptr<MemoFile> MemoFile::make(MemoKind kind) {
    switch (kind) {
        case MemoKind::Dbt:
            return std::make_unique<DbtFile>();
        case MemoKind::Fpt:
            return std::make_unique<FptFile>();
        default:
            return nullptr;
    }
}

}  // namespace xb::table
