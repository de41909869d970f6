// Small fixtures for the framework core tests: a runtime with the core functions and a
// private environment, a fatal-stop catcher, and a temporary folder made current per test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/core/core.hpp"
#include "framework/core/pathval.hpp"
#include "runtime/runtime.hpp"

namespace xb::fw::testing {

inline void PrintTo(const rt::Value& v, std::ostream* os) { *os << rt::repr(v); }

// A runtime with the core registered; the environment is the map `env` (nothing of the
// process's leaks in) and the current directory is the process's unless faked.
struct CoreFixture {
    rt::Runtime rt;
    std::map<std::string, std::string> env;

    CoreFixture() {
        registerCore(rt);
        pathval::state(rt).getEnv = [this](std::string_view name) {
            auto it = env.find(std::string(name));
            return it == env.end() ? std::string() : it->second;
        };
    }
    // The Windows rules: separator "\", current drive C: with current directory \WORK.
    void windowsRules() {
        rt.declarePublic(rt.intern("H_OSPATHS"), rt::Value("\\"));
        auto& st = pathval::state(rt);
        st.currentDrive = "C:";
        st.currentDir = [](std::string_view d) {
            return d.empty() || d == "C:" ? std::string("WORK") : std::string();
        };
    }
    // The Linux rules with a fixed current directory /home/u.
    void linuxRules() {
        rt.declarePublic(rt.intern("H_OSPATHS"), rt::Value("/"));
        pathval::state(rt).currentDir = [](std::string_view d) {
            return d.empty() ? std::string("home/u") : std::string();
        };
    }
    rt::Value call(std::string_view name, std::vector<rt::Value> args = {}) {
        return rt.call(name, std::span<rt::Value>(args));
    }
    // Calls with every argument passed by reference; args receive what the call wrote.
    rt::Value callRef(std::string_view name, std::vector<rt::Value>& args) {
        std::vector<rt::Value*> refs;
        for (auto& a : args) refs.push_back(&a);
        std::vector<rt::Value> copy = args;
        rt::Value r = rt.call(rt.findFunction(name), std::span<rt::Value>(copy),
                              std::span<rt::Value* const>(refs));
        return r;
    }
    std::string repr(std::string_view name, std::vector<rt::Value> args = {}) {
        return rt::repr(call(name, std::move(args)));
    }
};

// Runs f and returns the fatal stop it raised; a test failure when it returned.
template <class F>
rt::FatalStop fatalOf(F&& f) {
    try {
        f();
    } catch (const rt::FatalStop& s) {
        return s;
    }
    ADD_FAILURE() << "no fatal stop";
    return {-1, ""};
}

// A fresh folder, current for the test's lifetime, removed afterwards.
class TempFolder {
public:
    TempFolder() : old_(std::filesystem::current_path()) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "fwcoreXXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        path_ = ::mkdtemp(buf.data());
        std::filesystem::current_path(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file (relative to the folder) with the given bytes.
    void write(const std::string& rel, const std::string& bytes) const;
    std::string read(const std::string& rel) const;

private:
    std::filesystem::path old_;
    std::filesystem::path path_;
};

}  // namespace xb::fw::testing
