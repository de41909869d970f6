// WORK_AREAS: the numbered work areas of one runtime, the current one and the aliases, and
// the data hooks through which expressions read and write fields (`FIELD`, `alias->FIELD`,
// `3->FIELD`).
//
// Areas count from 1 and have no upper bound below 65535 (tables opened outside the
// catalogue live from 201 up). Invariants: an alias names at most one area; an area holds at
// most one open table; the current area may be empty. The network-error flag (NetErr()) is
// cleared by every open and every append and set when another user refused one.
// Reach it with WorkAreas::of(rt): the first call installs it as the runtime's data hooks.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"
#include "table/table.hpp"

namespace xb::table {

class WorkAreas final : public rt::DataHooks {
public:
    static constexpr char kTag = 0;
    static constexpr int kMaxArea = 65534;
    explicit WorkAreas(rt::Runtime& rt);
    ~WorkAreas() override;
    WorkAreas(const WorkAreas&) = delete;
    WorkAreas& operator=(const WorkAreas&) = delete;

    static WorkAreas& of(rt::Runtime& rt) { return rt.extension<WorkAreas>(); }

    // The table open in an area (0 = the current one), or nullptr.
    Table* table(int area = 0);
    int current() const { return current_; }
    // The first area from `from` up that holds no table.
    int freeArea(int from = 1) const;
    // Opens a table in an area (0 = current). The alias defaults to the file's base name in
    // upper case; an alias in use in another area is an error. The area becomes current.
    bool use(int area, const std::string& path, std::string alias, const OpenOptions& o);
    void closeArea(int area);
    void closeAll();
    // The alias of an area (0 = current), "" when empty.
    std::string alias(int area = 0) const;
    std::vector<int> usedAreas() const;

    EngineState& state() { return state_; }
    void setCompiler(Compiler c) { state_.compiler = std::move(c); }
    bool netErr() const { return state_.netErr; }
    void setNetErr(bool v) { state_.netErr = v; }

    // --- DataHooks ---
    int currentArea() override { return current_; }
    void selectArea(int area) override;
    int areaOfAlias(std::string_view alias) override;
    bool fieldGet(int area, std::string_view name, rt::Value& out) override;
    bool fieldPut(int area, std::string_view name, const rt::Value& v) override;
    int fieldIndex(int area, std::string_view name) override;
    const void* tableIdentity(int area) override;
    bool fieldGetAt(int area, int index, rt::Value& out) override;

private:
    struct Slot {
        std::unique_ptr<Table> table;
        std::string alias;
        std::uintptr_t serial = 0;
    };
    Slot* slot(int area);

    rt::Runtime& rt_;
    EngineState state_;
    std::vector<Slot> areas_;             // index = area number; [0] unused
    std::map<std::string, int> byAlias_;  // upper-case alias -> area
    int current_ = 1;
    std::uintptr_t serial_ = 0;
};

// Upper-case copy (aliases and field names compare without regard to case).
std::string upper(std::string_view s);

}  // namespace xb::table
