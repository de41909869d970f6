#include "table/work_areas.hpp"

#include <cctype>

namespace xb::table {

std::string upper(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

WorkAreas::WorkAreas(rt::Runtime& rt) : rt_(rt) {
    areas_.resize(2);
    rt_.setDataHooks(this);
}

WorkAreas::~WorkAreas() {
    closeAll();
    if (rt_.data() == this) rt_.setDataHooks(nullptr);
}

WorkAreas::Slot* WorkAreas::slot(int area) {
    if (area == 0) area = current_;
    if (area < 1 || static_cast<std::size_t>(area) >= areas_.size()) return nullptr;
    return &areas_[static_cast<std::size_t>(area)];
}

Table* WorkAreas::table(int area) {
    Slot* s = slot(area);
    return s && s->table && s->table->isOpen() ? s->table.get() : nullptr;
}

int WorkAreas::freeArea(int from) const {
    for (int a = std::max(from, 1); a <= kMaxArea; ++a) {
        if (static_cast<std::size_t>(a) >= areas_.size()) return a;
        const Slot& s = areas_[static_cast<std::size_t>(a)];
        if (!s.table || !s.table->isOpen()) return a;
    }
    return 0;
}

void WorkAreas::selectArea(int area) {
    if (area >= 1 && area <= kMaxArea) current_ = area;
}

bool WorkAreas::use(int area, const std::string& path, std::string alias, const OpenOptions& o) {
    if (area == 0) area = current_;
    if (area < 1 || area > kMaxArea) return false;
    current_ = area;
    closeArea(area);
    if (static_cast<std::size_t>(area) >= areas_.size())
        areas_.resize(static_cast<std::size_t>(area) + 1);
    std::string file = Table::tablePath(path);
    if (alias.empty()) {
        auto slash = file.rfind('/');
        std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
        auto dot = base.rfind('.');
        if (dot != std::string::npos) base.resize(dot);
        alias = base;
    }
    alias = upper(alias);
    auto it = byAlias_.find(alias);
    if (it != byAlias_.end() && it->second != area) {
        rt::XbError e;
        e.genCode = rt::eg::kDupAlias;
        e.subSystem = "DBCMD";
        e.subCode = 1011;
        e.description = "Alias already in use";
        e.operation = alias;
        e.fileName = file;
        e.canDefault = true;
        rt_.raise(std::move(e));
        return false;
    }
    state_.netErr = false;
    auto t = std::make_unique<Table>(rt_, state_, area);
    if (!t->open(file, o)) return false;
    Slot& s = areas_[static_cast<std::size_t>(area)];
    s.table = std::move(t);
    s.alias = alias;
    s.serial = ++serial_;
    byAlias_[alias] = area;
    return true;
}

void WorkAreas::closeArea(int area) {
    if (area == 0) area = current_;
    Slot* s = slot(area);
    if (!s || !s->table) return;
    // Closing writes the record buffer, whose keys are evaluated in this very area: the table
    // leaves the area only after that.
    s->table->close();
    s = slot(area);
    auto it = byAlias_.find(s->alias);
    if (it != byAlias_.end() && it->second == area) byAlias_.erase(it);
    std::unique_ptr<Table> t = std::move(s->table);
    s->alias.clear();
    s->serial = 0;
}

void WorkAreas::closeAll() {
    for (std::size_t a = 1; a < areas_.size(); ++a) closeArea(static_cast<int>(a));
}

std::string WorkAreas::alias(int area) const {
    if (area == 0) area = current_;
    if (area < 1 || static_cast<std::size_t>(area) >= areas_.size()) return "";
    const Slot& s = areas_[static_cast<std::size_t>(area)];
    return s.table ? s.alias : "";
}

std::vector<int> WorkAreas::usedAreas() const {
    std::vector<int> r;
    for (std::size_t a = 1; a < areas_.size(); ++a)
        if (areas_[a].table) r.push_back(static_cast<int>(a));
    return r;
}

int WorkAreas::areaOfAlias(std::string_view alias) {
    std::string u = upper(alias);
    auto it = byAlias_.find(u);
    return it == byAlias_.end() ? 0 : it->second;
}

bool WorkAreas::fieldGet(int area, std::string_view name, rt::Value& out) {
    Table* t = table(area);
    if (!t) return false;
    int i = t->fieldIndex(name);
    return i >= 0 && t->getField(i, out);
}

bool WorkAreas::fieldPut(int area, std::string_view name, const rt::Value& v) {
    Table* t = table(area);
    if (!t) return false;
    int i = t->fieldIndex(name);
    if (i < 0) return false;
    t->putField(i, v);
    return true;
}

int WorkAreas::fieldIndex(int area, std::string_view name) {
    Table* t = table(area);
    if (!t) return 0;
    return t->fieldIndex(name) + 1;
}

const void* WorkAreas::tableIdentity(int area) {
    Slot* s = slot(area);
    if (!s || !s->table) return nullptr;
    return reinterpret_cast<const void*>(s->serial);
}

bool WorkAreas::fieldGetAt(int area, int index, rt::Value& out) {
    Table* t = table(area);
    return t && t->getField(index - 1, out);
}

}  // namespace xb::table
