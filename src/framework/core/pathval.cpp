// PATHVAL: paths and file names.
#include "framework/core/pathval.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <utility>

#include "framework/core/trelbeg.hpp"
#include "runtime/date.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace xb::fw::pathval {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char toUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char toLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string upperText(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = toUpper(c);
    return r;
}
bool hasDrive(std::string_view p) { return p.size() >= 2 && isLetter(p[0]) && p[1] == ':'; }
bool isBareDrive(std::string_view p) { return p.size() == 2 && hasDrive(p); }
std::string rtrimBlanks(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return std::string(s.substr(0, e));
}
bool hasWildcards(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }
void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
}

// Calls a function of another module by name when it is registered.
std::optional<rt::Value> callIfKnown(rt::Runtime& rt, std::string_view name,
                                     std::initializer_list<rt::Value> args) {
    if (rt.findFunction(name) < 0) return std::nullopt;
    return rt.call(name, args);
}

}  // namespace

// --- pure string functions ---

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string pathArg(const rt::Value& v) {
    return v.isString() ? trimBlanks(v.str()) : std::string();
}

std::string drive(std::string_view path) {
    std::string t = trimBlanks(path);
    return hasDrive(t) ? t.substr(0, 2) : std::string();
}

std::string addSl(std::string_view path, char sep) {
    std::string t = trimBlanks(path);
    if (t.empty() || isBareDrive(t) || t.back() == sep) return t;
    return t + sep;
}

std::string cutSl(std::string_view path, char sep) {
    std::string t = trimBlanks(path);
    if (!t.empty() && t.back() == sep) t.pop_back();
    return t;
}

bool isAbsolute(std::string_view path, char sep) {
    std::string t = trimBlanks(path);
    return (!t.empty() && t[0] == sep) || hasDrive(t);
}

std::string addPath(std::string_view name, std::string_view folder, bool addSep, char sep) {
    std::string n = trimBlanks(name);
    std::string r = isAbsolute(n, sep) ? n : addSl(folder, sep) + n;
    return addSep ? addSl(r, sep) : r;
}

std::string fileName(std::string_view path, char sep) {
    std::string t = trimBlanks(path);
    std::size_t pos = t.rfind(sep);
    if (pos != std::string::npos) return t.substr(pos + 1);
    return hasDrive(t) ? t.substr(2) : t;
}

std::string fileFName(std::string_view path, char sep) {
    std::string n = fileName(path, sep);
    std::size_t pos = n.rfind('.');
    return pos == std::string::npos ? n : n.substr(0, pos);
}

std::string fileExt(std::string_view path, char sep) {
    std::string n = fileName(path, sep);
    std::size_t pos = n.rfind('.');
    return pos == std::string::npos ? std::string() : n.substr(pos + 1);
}

namespace {

// The recursive-descent reader of the path grammar over one trimmed path.
class PathParser {
public:
    PathParser(std::string_view s, char sep) : s_(s), sep_(sep) {}

    PathCheck run() {
        PathCheck bad;
        const std::size_t n = s_.size();
        if (n == 0) return bad;
        std::string three(3, sep_);
        if (s_.find(three) != std::string_view::npos) return bad;
        if (hasDrive(s_)) {
            i_ = 2;
            if (i_ == n) return ok(0);
            if (s_[i_] == sep_) {
                ++i_;
                if (i_ == n) return ok(0);
                return chain(true);
            }
            return chain(false);
        }
        if (n >= 2 && s_[0] == sep_ && s_[1] == sep_) {
            if (n == 2) return bad;
            i_ = 2;
            if (component() != Kind::Name) return bad;  // server
            if (i_ == n) return ok(0);
            ++i_;  // the separator after the server
            if (i_ == n) return ok(0);
            if (component() != Kind::Name) return bad;  // share: the root of what follows
            if (i_ == n) return ok(0);
            ++i_;
            if (i_ == n) return ok(0);
            return chain(true);
        }
        if (s_[0] == sep_) {
            i_ = 1;
            if (i_ == n) return ok(0);
            return chain(true);
        }
        return chain(false);
    }

private:
    enum class Kind { Empty, Name, Parent, Invalid };

    static PathCheck ok(int depth) { return PathCheck{true, depth}; }

    // Reads the component at i_ up to the next separator or the end.
    Kind component() {
        std::size_t j = s_.find(sep_, i_);
        if (j == std::string_view::npos) j = s_.size();
        std::string_view c = s_.substr(i_, j - i_);
        i_ = j;
        if (c.empty()) return Kind::Empty;
        if (c == "..") return Kind::Parent;
        for (char ch : c) {
            if (ch == '*' || ch == '?' || ch == ':' || (ch == '/' && sep_ != '/'))
                return Kind::Invalid;
        }
        return Kind::Name;
    }

    // name-or-parent {separator name-or-parent} [separator]
    PathCheck chain(bool rooted) {
        Kind k = component();
        if (k != Kind::Name && k != Kind::Parent) return {};
        int depth = 1;
        while (i_ < s_.size()) {
            ++i_;  // separator
            if (i_ == s_.size()) break;
            k = component();
            if (k == Kind::Name) {
                ++depth;
            } else if (k == Kind::Parent) {
                --depth;
                if (rooted && depth < 0) return {};
            } else {
                return {};
            }
        }
        return ok(rooted ? depth : 0);
    }

    std::string_view s_;
    char sep_;
    std::size_t i_ = 0;
};

}  // namespace

PathCheck checkPath(std::string_view path, char sep, bool wildcards) {
    std::string t = trimBlanks(path);
    if (wildcards) {
        std::size_t last = t.rfind(sep);
        for (std::size_t k = last == std::string::npos ? 0 : last + 1; k < t.size(); ++k) {
            if (t[k] == '*' || t[k] == '?') t[k] = '_';
        }
    }
    return PathParser(t, sep).run();
}

bool pathValid(std::string_view path, char sep, bool wildcards) {
    return checkPath(path, sep, wildcards).valid;
}

std::string pathOf(std::string_view path, char sep) {
    std::string t = trimBlanks(path);
    if (!pathValid(t, sep)) return {};
    return t.substr(0, t.size() - fileName(t, sep).size());
}

bool isResource(std::string_view path, char sep) {
    std::string t = trimBlanks(path);
    return pathValid(t, sep) && t.size() >= 2 && t[0] == sep && t[1] == sep;
}

bool validFileName(std::string_view name) {
    std::string t = trimBlanks(name);
    return !t.empty() && t.find_first_of("\\/*?:") == std::string::npos;
}

std::string delToDigit(std::string_view text) {
    std::string t = trimBlanks(text);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (isDigit(t[i])) return t.substr(i);
    }
    return {};
}

std::string alignExt(std::string_view name) {
    std::string t = trimBlanks(name);
    std::size_t dot = t.find('.');
    if (dot == std::string::npos || dot == 0) return t;
    std::string r = t.substr(0, dot);
    if (r.size() < 9) r.append(9 - r.size(), ' ');
    return r + t.substr(dot + 1, 3);
}

bool maskMatch(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    if (stdlib::globMatch(mask, name)) return true;
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return stdlib::globMatch(mask.substr(0, mask.size() - 2), name);
    return false;
}

// --- state ---

PathState::PathState(rt::Runtime& /*rt*/)
    : getEnv([](std::string_view name) {
          const char* v = std::getenv(std::string(name).c_str());
          return std::string(v ? v : "");
      }),
      currentDir([](std::string_view drv) {
          if (!drv.empty()) return std::string();  // no other drives here
          std::string buf(4096, '\0');
          if (::getcwd(buf.data(), buf.size()) == nullptr) return std::string();
          buf.resize(std::char_traits<char>::length(buf.c_str()));
          std::size_t b = 0;
          while (b < buf.size() && buf[b] == '/') ++b;
          return buf.substr(b);
      }) {}

PathState& state(rt::Runtime& rt) { return rt.extension<PathState>(); }

char separator(rt::Runtime& rt) {
    const rt::Value* v = rt.findVar("H_OSPATHS");
    if (v && v->isString() && !v->str().empty()) return v->str()[0];
    return kPlatformSep;
}

std::string curDrive(rt::Runtime& rt) { return state(rt).currentDrive; }

// --- transformations ---

std::string trPath(rt::Runtime& rt, std::string_view path, std::string_view target) {
    std::string t = trimBlanks(path);
    std::string tg = upperText(trimBlanks(target));
    if (tg == "L") {
        std::replace(t.begin(), t.end(), '\\', '/');
    } else if (tg == "W" || tg.empty()) {
        std::replace(t.begin(), t.end(), '/', '\\');
    } else {
        trelbeg::hEnd(rt, 1, "h_TrPath() -targetOS -parametru eronat !");
    }
    return t;
}

std::string mapPath(rt::Runtime& rt, std::string_view path, bool quiet, std::string* error) {
    if (error) error->clear();
    std::string t = trimBlanks(path);
    if (t.size() < 2 || t[0] != '%') return t;
    std::size_t close = t.find('%', 1);
    if (close == std::string::npos) return t;
    std::string name = t.substr(1, close - 1);
    bool good = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return isLetter(c) || isDigit(c) || c == '_';
    });
    if (!good) {
        if (!quiet) trelbeg::hEnd(rt, 1, "variabila de mediu incorecta la mapare: %" + name + "%");
        if (error) *error = "Variabila de mediu incorecta la mapare: %" + name + "%";
        return t;
    }
    std::string value = rtrimBlanks(state(rt).getEnv(name));
    if (value.empty()) {
        if (!quiet) trelbeg::hEnd(rt, 1, "variabila de mediu: " + name + " nu este definita !");
        if (error) *error = "Variabila de mediu: " + name + " nu este definita !";
        return t;
    }
    return value + t.substr(close + 1);
}

std::string osPath(rt::Runtime& rt, std::string_view path, bool quiet, std::string* error) {
    std::string m = mapPath(rt, path, quiet, error);
    return trPath(rt, m, separator(rt) == '/' ? "L" : "W");
}

std::string absPath(rt::Runtime& rt, std::string_view path) {
    PathState& st = state(rt);
    const char sep = separator(rt);
    std::string p = osPath(rt, path);
    std::string drv;
    if (hasDrive(p)) {
        drv = p.substr(0, 2);
        p.erase(0, 2);
        if (st.currentDrive.empty()) {
            // No drives here: the drive's environment variable, when set, names its root.
            std::string root = rtrimBlanks(st.getEnv(std::string(1, toUpper(drv[0]))));
            if (!root.empty()) {
                std::size_t b = 0;
                while (b < p.size() && p[b] == sep) ++b;
                p = addSl(trPath(rt, root, sep == '/' ? "L" : "W"), sep) + p.substr(b);
                drv.clear();
                if (!p.empty() && p[0] == sep) return p;
            }
        }
    } else {
        drv = st.currentDrive;
    }
    if (!p.empty() && p[0] == sep) return drv + p;
    bool current = drv.empty() || upperText(drv) == upperText(st.currentDrive);
    std::string c = st.currentDir(current ? std::string_view() : std::string_view(drv));
    return drv + (c.empty() ? std::string(1, sep) : sep + c + sep) + p;
}

std::string truePath(rt::Runtime& rt, std::string_view path) {
    const char sep = separator(rt);
    std::string p = absPath(rt, path);
    if (!pathValid(p, sep, true)) trelbeg::hEnd(rt, 2, "Catalog eronat " + p + " ! ");
    std::size_t first = p.find(sep);
    if (first == std::string::npos) first = p.size();
    std::string lead = p.substr(0, first);
    std::vector<std::string> pieces;  // each with its leading separator
    for (std::size_t i = first; i < p.size();) {
        std::size_t j = p.find(sep, i + 1);
        if (j == std::string::npos) j = p.size();
        pieces.push_back(p.substr(i, j - i));
        i = j;
    }
    const std::string up = std::string(1, sep) + "..";
    std::string result;
    int skip = 0;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        if (*it == up) {
            ++skip;
        } else if (skip == 0) {
            result.insert(0, *it);
        } else {
            --skip;
        }
    }
    // The drive (or the empty root) is never folded away: ".." above the root stays there.
    result.insert(0, lead);
    if (result == lead && (lead.empty() || isBareDrive(lead))) result += sep;
    return result;
}

std::string stPath(rt::Runtime& rt, std::string_view path) {
    PathState& st = state(rt);
    std::string p = truePath(rt, path);
    if (!st.driveMap) {
        std::vector<std::pair<std::string, std::string>> map;
        for (char l = 'A'; l <= 'Z'; ++l) {
            std::string v = rtrimBlanks(st.getEnv(std::string(1, l)));
            if (!v.empty()) map.emplace_back(std::string(1, l) + ":", v);
        }
        std::stable_sort(map.begin(), map.end(), [](const auto& a, const auto& b) {
            return a.second.size() > b.second.size();
        });
        st.driveMap = std::move(map);
    }
    for (const auto& [drv, value] : *st.driveMap) {
        if (p.compare(0, value.size(), value) == 0) {
            p = drv + p.substr(value.size());
            break;
        }
    }
    std::string os;
    if (auto v = callIfKnown(rt, "H_STOS", {rt::Value("l")}); v && v->isString()) {
        os = v->str();
    } else {
        os = rtrimBlanks(st.getEnv("H_STOS"));
        for (char& c : os) c = toLower(c);
    }
    return trPath(rt, p, os.find("linux") != std::string::npos ? "L" : "W");
}

std::string trsfFName(rt::Runtime& rt, std::string_view tmpl, const rt::Value& pairs) {
    std::string t = trimBlanks(tmpl);
    std::vector<std::pair<std::string, std::string>> list;
    if (pairs.isNil() || (pairs.isArray() && pairs.array().items.empty())) {
        std::string cif;
        if (auto v = callIfKnown(rt, "X_SOCDATA", {rt::Value("COD_FISCAL")}); v && v->isString())
            cif = delToDigit(v->str());
        std::int32_t day = 0;
        if (const rt::Value* d = rt.findVar("DATAAPPL"); d && d->isDate()) day = d->julian();
        rt::Ymd ymd{};
        if (day != 0) {
            ymd = rt::ymdOf(day);
        } else {  // no working date yet: today's
            std::time_t now = std::time(nullptr);
            std::tm tmv{};
            localtime_r(&now, &tmv);
            ymd = {tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday};
        }
        char yyyy[16], yy[8], mm[8];
        std::snprintf(yyyy, sizeof yyyy, "%04d", ymd.year);
        std::snprintf(yy, sizeof yy, "%02d", ymd.year % 100);
        std::snprintf(mm, sizeof mm, "%02d", ymd.month);
        std::string station;
        if (auto v = callIfKnown(rt, "H_STATID", {}); v && v->isString()) {
            station = v->str();
        } else {
            station = rtrimBlanks(state(rt).getEnv("STATION"));
            if (station.size() == 1) station += ' ';
            if (station.size() > 2) station = station.substr(station.size() - 2);
        }
        list = {{"cif", cif}, {"aaaa", yyyy}, {"aa", yy}, {"ll", mm}, {"ss", station}};
    } else if (!pairs.isArray()) {
        trelbeg::hEnd(rt, 1, "tip parametru eronat in h_TrsfFname()");
    } else {
        for (const rt::Value& item : pairs.array().items) {
            if (!item.isArray() || item.array().items.size() != 2 ||
                !item.array().items[0].isString() || !item.array().items[1].isString())
                trelbeg::hEnd(rt, 1, "parametru eronat in h_TrsfFname()");
        }
        for (rt::Value& item : pairs.array().items) {
            auto& kv = item.array().items;
            kv[0] = rt::Value(trimBlanks(kv[0].str()));
            kv[1] = rt::Value(trimBlanks(kv[1].str()));
            list.emplace_back(kv[0].str(), kv[1].str());
        }
    }
    for (const auto& [from, to] : list) replaceAll(t, from, to);
    return t;
}

int setFileCase(rt::Runtime& rt, const rt::Value& fileCase, bool apply) {
    if (!apply) return 0;
    PathState& st = state(rt);
    int prev = st.fileCase;
    int want = 2;
    if (fileCase.isNumber() && (fileCase.numVal() == 0 || fileCase.numVal() == 1))
        want = static_cast<int>(fileCase.numVal());
    st.fileCase = want;
    return prev;
}

std::string applyFileCase(rt::Runtime& rt, std::string_view path) {
    std::string p(path);
    int fc = state(rt).fileCase;
    if (fc == 0) return p;
    std::size_t b = p.find_last_of(std::string("/") + separator(rt));
    b = b == std::string::npos ? (hasDrive(p) ? 2 : 0) : b + 1;
    for (std::size_t i = b; i < p.size(); ++i) p[i] = fc == 1 ? toLower(p[i]) : toUpper(p[i]);
    return p;
}

// --- the file system ---

namespace {

bool exists(const std::string& p) {
    struct stat sb;
    return !p.empty() && ::lstat(p.c_str(), &sb) == 0;
}

// Replaces each missing component of p by an entry of its folder that differs only in case.
std::string resolveCase(const std::string& p) {
    if (p.empty() || exists(p)) return p;
    std::string cur = p[0] == '/' ? "/" : "";
    std::size_t i = 0;
    while (i < p.size()) {
        while (i < p.size() && p[i] == '/') ++i;
        if (i >= p.size()) break;
        std::size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string comp = p.substr(i, j - i);
        std::string base = cur.empty() || cur.back() == '/' ? cur : cur + "/";
        std::string cand = base + comp;
        if (!exists(cand)) {
            std::string found;
            if (DIR* d = ::opendir(cur.empty() ? "." : cur.c_str())) {
                while (dirent* e = ::readdir(d)) {
                    if (::strcasecmp(e->d_name, comp.c_str()) == 0) {
                        found = e->d_name;
                        break;
                    }
                }
                ::closedir(d);
            }
            if (found.empty()) return base + p.substr(i);  // the rest as given
            cand = base + found;
        }
        cur = cand;
        i = j;
    }
    if (p.back() == '/' && (cur.empty() || cur.back() != '/')) cur += '/';
    return cur;
}

std::string hostFolderOf(const std::string& hostFile) {
    std::size_t pos = hostFile.rfind('/');
    if (pos == std::string::npos) return ".";
    return pos == 0 ? "/" : hostFile.substr(0, pos);
}

rt::Value entryOf(const std::string& name, const struct stat& sb, bool hidden) {
    std::tm tmv{};
    std::time_t mt = sb.st_mtime;
    localtime_r(&mt, &tmv);
    char hms[16];
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", tmv.tm_hour, tmv.tm_min, tmv.tm_sec);
    bool dir = S_ISDIR(sb.st_mode);
    std::string attr;
    if ((sb.st_mode & S_IWUSR) == 0) attr += 'R';
    if (hidden) attr += 'H';
    attr += dir ? 'D' : 'A';
    return rt::Value::newArray(
        {rt::Value(name), rt::Value::integer(dir ? 0.0 : static_cast<double>(sb.st_size)),
         rt::Value::date(rt::julianOf(tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday)),
         rt::Value(std::string(hms)), rt::Value(attr)});
}

}  // namespace

int dosError(int err, std::string_view hostFile) {
    switch (err) {
        case 0:
            return 0;
        case ENOENT:
            if (!hostFile.empty()) {
                struct stat sb;
                std::string folder = hostFolderOf(std::string(hostFile));
                if (::stat(folder.c_str(), &sb) != 0) return 3;
            }
            return 2;
        case ENOTDIR:
        case ENAMETOOLONG:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return 5;
        case EBADF:
            return 6;
        case ENOMEM:
            return 8;
        case EAGAIN:
        case EBUSY:
            return 32;
        case EEXIST:
            return 80;
        case ENOSPC:
            return 112;
        default:
            return 31;  // general failure
    }
}

std::string hostPath(rt::Runtime& rt, std::string_view path) {
    PathState& st = state(rt);
    std::string p = trimBlanks(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    const char sep = separator(rt);
    if (sep != '/' && sep != '\\') std::replace(p.begin(), p.end(), sep, '/');
    if (hasDrive(p) && st.currentDrive.empty()) {
        std::string root = rtrimBlanks(st.getEnv(std::string(1, toUpper(p[0]))));
        if (!root.empty()) {
            std::replace(root.begin(), root.end(), '\\', '/');
            std::size_t b = 2;
            while (b < p.size() && p[b] == '/') ++b;
            p = (root.back() == '/' ? root : root + "/") + p.substr(b);
        }
    }
    return resolveCase(p);
}

std::string fdExist(rt::Runtime& rt, std::string_view path) {
    const char sep = separator(rt);
    std::string t = trimBlanks(path);
    if (t.size() == 1 && t[0] == sep) return "V";  // the root is this build's volume
    std::string p = cutSl(t, sep);
    if (!pathValid(p, sep, true)) return {};
    if (isBareDrive(p)) return "V";
    if (hasWildcards(fileName(p, sep))) {
        rt::Value list = directory(rt, p, "DH");
        std::string kind;
        int count = 0;
        for (const rt::Value& e : list.array().items) {
            const std::string& name = e.array().items[0].str();
            if (name == "." || name == "..") continue;
            ++count;
            kind = e.array().items[4].str().find('D') != std::string::npos ? "D" : "F";
        }
        return count == 1 ? kind : std::string();
    }
    struct stat sb;
    std::string hp = hostPath(rt, p);
    if (hp.empty() || ::stat(hp.c_str(), &sb) != 0) return {};
    return S_ISDIR(sb.st_mode) ? "D" : "F";
}

bool fileExists(rt::Runtime& rt, std::string_view mask) {
    const char sep = separator(rt);
    std::string t = trimBlanks(mask);
    if (t.empty()) return false;
    if (hasWildcards(fileName(t, sep))) return !directory(rt, t, "H").array().items.empty();
    struct stat sb;
    std::string hp = hostPath(rt, t);
    return ::stat(hp.c_str(), &sb) == 0 && !S_ISDIR(sb.st_mode);
}

bool isDir(rt::Runtime& rt, std::string_view path) {
    std::string t = trimBlanks(path);
    if (t.empty()) return false;
    struct stat sb;
    std::string hp = hostPath(rt, t);
    return ::stat(hp.c_str(), &sb) == 0 && S_ISDIR(sb.st_mode);
}

rt::Value directory(rt::Runtime& rt, std::string_view mask, std::string_view attributes) {
    const char sep = separator(rt);
    std::string t = trimBlanks(mask);
    std::string attrs = upperText(attributes);
    bool wantDirs = attrs.find('D') != std::string::npos;
    bool wantHidden = attrs.find('H') != std::string::npos;
    std::string name = fileName(t, sep);
    std::string folder = t.substr(0, t.size() - name.size());
    if (name.empty()) name = "*.*";
    std::string hostFolder = folder.empty() ? std::string() : hostPath(rt, folder);
    if (hostFolder.empty()) hostFolder = ".";

    struct Found {
        std::string name;
        struct stat sb;
        bool hidden;
    };
    std::vector<Found> found;
    for (;;) {
        DIR* d = ::opendir(hostFolder.c_str());
        if (d == nullptr) {
            int err = errno;
            if (err == ENOENT || err == ENOTDIR) break;  // nothing to list
            rt::XbError e;
            e.genCode = rt::eg::kOpen;
            e.osCode = dosError(err);
            e.subSystem = "BASE";
            e.subCode = 2012;
            e.description = "Open error";
            e.operation = "DIRECTORY";
            e.fileName = folder;
            e.canDefault = true;
            e.canRetry = true;
            if (rt.raise(std::move(e)).kind == rt::ErrorAnswer::Kind::Retry) continue;
            break;
        }
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            bool dots = n == "." || n == "..";
            if (!maskMatch(name, n)) continue;
            std::string full = (hostFolder.back() == '/' ? hostFolder : hostFolder + "/") + n;
            Found f{n, {}, !dots && n[0] == '.'};
            if (::stat(full.c_str(), &f.sb) != 0 && ::lstat(full.c_str(), &f.sb) != 0) continue;
            if (S_ISDIR(f.sb.st_mode) && !wantDirs) continue;
            if (f.hidden && !wantHidden) continue;
            found.push_back(std::move(f));
        }
        ::closedir(d);
        break;
    }
    // A stable order: "." and ".." first, then by name without regard to case.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
        if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
        int c = ::strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    rt::Value list = rt::Value::newArray();
    for (const Found& f : found) list.array().items.push_back(entryOf(f.name, f.sb, f.hidden));
    return list;
}

bool makeDir(rt::Runtime& rt, std::string_view path) {
    const char sep = separator(rt);
    std::string p = cutSl(absPath(rt, path), sep);
    if (isDir(rt, p)) return true;
    std::string root;
    std::string rest = p;
    if (hasDrive(rest)) {
        root = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    while (!rest.empty() && rest[0] == sep) {
        root += sep;
        rest.erase(0, 1);
    }
    std::string cur = root;
    std::size_t i = 0;
    while (i < rest.size()) {
        std::size_t j = rest.find(sep, i);
        if (j == std::string::npos) j = rest.size();
        if (j > i) {
            if (!cur.empty() && cur.back() != sep && !isBareDrive(cur)) cur += sep;
            cur += rest.substr(i, j - i);
            if (!isDir(rt, cur) && ::mkdir(hostPath(rt, cur).c_str(), 0777) != 0) break;
        }
        i = j + 1;
    }
    return isDir(rt, p);
}

int dirChange(rt::Runtime& rt, std::string_view folder) {
    std::string hp = hostPath(rt, folder);
    if (::chdir(hp.empty() ? "" : hp.c_str()) == 0) return 0;
    int err = errno;
    return err == ENOENT ? 3 : dosError(err);
}

int diskChange(rt::Runtime& rt, std::string_view path) {
    PathState& st = state(rt);
    std::string d = drive(path);
    if (d.empty()) return -1;
    if (!st.currentDrive.empty()) {
        st.currentDrive = upperText(d);
        return 0;
    }
    std::string root = rtrimBlanks(st.getEnv(std::string(1, toUpper(d[0]))));
    if (root.empty()) return 15;  // invalid drive
    return dirChange(rt, root);
}

bool pushDir(rt::Runtime& rt, const rt::Value& folder) {
    if (!folder.isString()) return false;
    PathState& st = state(rt);
    const char sep = separator(rt);
    std::string f = trimBlanks(folder.str());
    std::string d = drive(f);
    std::string cur = st.currentDrive;
    if (d.empty() || cur.empty() || upperText(d) == upperText(cur)) {
        st.dirStack.push_back({std::nullopt, sep + st.currentDir({})});
        return dirChange(rt, f) == 0;
    }
    st.dirStack.push_back({cur, sep + st.currentDir(d)});
    diskChange(rt, d);
    return dirChange(rt, f.substr(2)) == 0;
}

bool popDir(rt::Runtime& rt) {
    PathState& st = state(rt);
    if (st.dirStack.empty()) return false;
    PathState::Pushed top = std::move(st.dirStack.back());
    st.dirStack.pop_back();
    dirChange(rt, top.folder);
    if (top.drive) diskChange(rt, *top.drive);
    return true;
}

bool copyFile(rt::Runtime& rt, std::string_view source, std::string_view target) {
    std::string hs = hostPath(rt, source);
    std::string ht = hostPath(rt, target);
    auto fail = [&](int genCode, int subCode, const char* desc, int err, std::string_view file,
                    bool canRetry) {
        rt::XbError e;
        e.genCode = genCode;
        e.osCode = dosError(err, file == source ? hs : ht);
        e.subSystem = "BASE";
        e.subCode = subCode;
        e.description = desc;
        e.operation = "H_COPYFILE";
        e.fileName = trimBlanks(file);
        e.canDefault = true;
        e.canRetry = canRetry;
        return rt.raise(std::move(e)).kind == rt::ErrorAnswer::Kind::Retry;
    };
    int in = -1;
    while ((in = ::open(hs.c_str(), O_RDONLY)) < 0) {
        if (!fail(rt::eg::kOpen, 2012, "Open error", errno, source, true)) return false;
    }
    int out = -1;
    while ((out = ::open(ht.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666)) < 0) {
        if (!fail(rt::eg::kCreate, 2013, "Create error", errno, target, true)) {
            ::close(in);
            return fileExists(rt, target);
        }
    }
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(rt::eg::kRead, 2019, "Read error", errno, source, false);
            break;
        }
        ssize_t done = 0;
        bool bad = false;
        while (done < n) {
            ssize_t w = ::write(out, buf + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                fail(rt::eg::kWrite, 2016, "Write error", errno, target, false);
                bad = true;
                break;
            }
            done += w;
        }
        if (bad) break;
    }
    ::close(in);
    ::close(out);
    return fileExists(rt, target);
}

namespace {

void dirRecInto(rt::Runtime& rt, const std::string& folder, char sep, rt::Value& out,
                std::set<std::pair<dev_t, ino_t>>& seen) {
    struct stat sb;
    std::string hf = folder.empty() ? "." : hostPath(rt, folder);
    // A folder reached twice (through a link) is listed once, so a link loop ends.
    if (::stat(hf.c_str(), &sb) != 0 || !seen.insert({sb.st_dev, sb.st_ino}).second) return;
    rt::Value list = directory(rt, addSl(folder, sep) + "*.*", "D");
    std::vector<const rt::Value*> dirs;
    for (const rt::Value& e : list.array().items) {
        const auto& f = e.array().items;
        if (f[4].str().find('D') != std::string::npos) {
            if (f[0].str() != "." && f[0].str() != "..") dirs.push_back(&e);
            continue;
        }
        rt::Value copy = rt::Value::newArray(f);
        copy.array().items[0] = rt::Value(addPath(f[0].str(), folder, false, sep));
        out.array().items.push_back(std::move(copy));
    }
    for (const rt::Value* e : dirs) {
        const auto& f = e->array().items;
        std::string full = addPath(f[0].str(), folder, false, sep);
        rt::Value copy = rt::Value::newArray(f);
        copy.array().items[0] = rt::Value(full);
        out.array().items.push_back(std::move(copy));
        dirRecInto(rt, full, sep, out, seen);
    }
}

}  // namespace

rt::Value dirRec(rt::Runtime& rt, const rt::Value& folder) {
    rt::Value out = rt::Value::newArray();
    if (!folder.isNil() && !folder.isString()) return out;
    std::set<std::pair<dev_t, ino_t>> seen;
    dirRecInto(rt, pathArg(folder), separator(rt), out, seen);
    return out;
}

// --- bindings ---

namespace {

std::string argPath(rt::Frame& f, int n) { return pathArg(f.arg(n)); }
bool isTrue(const rt::Value& v) { return v.isLogical() && v.logical(); }

// H_DRIVE(path) -> "C:" or ""
void fn_H_DRIVE(rt::Frame& f) { f.ret(drive(argPath(f, 1))); }
// H_ADDSL(path) -> path ending with the separator
void fn_H_ADDSL(rt::Frame& f) { f.ret(addSl(argPath(f, 1), separator(f.runtime()))); }
// H_CUTSL(path) -> path without a trailing separator
void fn_H_CUTSL(rt::Frame& f) { f.ret(cutSl(argPath(f, 1), separator(f.runtime()))); }
// H_ADDPATH(name, folder, addSep) -> the name joined to the folder
void fn_H_ADDPATH(rt::Frame& f) {
    f.ret(addPath(argPath(f, 1), argPath(f, 2), isTrue(f.arg(3)), separator(f.runtime())));
}
// H_FILENAME(path), H_FILE(path) -> the name after the folder
void fn_H_FILENAME(rt::Frame& f) { f.ret(fileName(argPath(f, 1), separator(f.runtime()))); }
// H_FILEFNAME(path) -> the name without extension
void fn_H_FILEFNAME(rt::Frame& f) { f.ret(fileFName(argPath(f, 1), separator(f.runtime()))); }
// H_FILEEXT(path) -> the extension
void fn_H_FILEEXT(rt::Frame& f) { f.ret(fileExt(argPath(f, 1), separator(f.runtime()))); }
// H_PATH(path) -> the folder with its separator, "" for an invalid path
void fn_H_PATH(rt::Frame& f) { f.ret(pathOf(argPath(f, 1), separator(f.runtime()))); }
// H_ALLF() -> "*.*"
void fn_H_ALLF(rt::Frame& f) { f.ret(rt::Value("*.*")); }
// H_CURDRIVE() -> the current drive ("" without drives)
void fn_H_CURDRIVE(rt::Frame& f) { f.ret(curDrive(f.runtime())); }
// H_RESOURCE(path) -> logical: a valid network path
void fn_H_RESOURCE(rt::Frame& f) { f.ret(isResource(argPath(f, 1), separator(f.runtime()))); }
// H_PATHVALID(path, @depth, options) -> logical
void fn_H_PATHVALID(rt::Frame& f) {
    bool wild = f.arg(3).isString() && upperText(f.arg(3).str()).find('G') != std::string::npos;
    PathCheck c =
        f.arg(1).isString() ? checkPath(f.arg(1).str(), separator(f.runtime()), wild) : PathCheck{};
    f.setRef(2, rt::Value::integer(c.depth));
    f.ret(c.valid);
}
// H_FDEXIST(path) -> "", "V", "D" or "F"
void fn_H_FDEXIST(rt::Frame& f) {
    f.ret(f.arg(1).isString() ? fdExist(f.runtime(), f.arg(1).str()) : std::string());
}
// H_VALFNAME(name) -> logical
void fn_H_VALFNAME(rt::Frame& f) { f.ret(validFileName(argPath(f, 1))); }
// H_FILEEX(file) -> logical
void fn_H_FILEEX(rt::Frame& f) { f.ret(fileExists(f.runtime(), argPath(f, 1))); }
// H_ISDIR(path) -> logical
void fn_H_ISDIR(rt::Frame& f) { f.ret(isDir(f.runtime(), argPath(f, 1))); }
// H_DIRECTORY(mask, attributes) -> array of {name, size, date, time, attributes}
void fn_H_DIRECTORY(rt::Frame& f) { f.ret(directory(f.runtime(), argPath(f, 1), argPath(f, 2))); }
// H_OSPATH(path, quiet, @error) -> the mapped path with the platform's separator
void fn_H_OSPATH(rt::Frame& f) {
    std::string err;
    std::string r = osPath(f.runtime(), argPath(f, 1), isTrue(f.arg(2)), &err);
    f.setRef(3, rt::Value(err));
    f.ret(r);
}
// H_MAPPATH(path, quiet, @error) -> the path with its leading %NAME% replaced
void fn_H_MAPPATH(rt::Frame& f) {
    std::string err;
    std::string r = mapPath(f.runtime(), argPath(f, 1), isTrue(f.arg(2)), &err);
    f.setRef(3, rt::Value(err));
    f.ret(r);
}
// H_TRPATH(path, target) -> the path with "L" or "W" separators
void fn_H_TRPATH(rt::Frame& f) { f.ret(trPath(f.runtime(), argPath(f, 1), argPath(f, 2))); }
// H_ABSPATH(path) -> the absolute path
void fn_H_ABSPATH(rt::Frame& f) { f.ret(absPath(f.runtime(), argPath(f, 1))); }
// H_TRUEPATH(path) -> the absolute path without ".."
void fn_H_TRUEPATH(rt::Frame& f) { f.ret(truePath(f.runtime(), argPath(f, 1))); }
// H_STPATH(path) -> the path as the file server sees it
void fn_H_STPATH(rt::Frame& f) { f.ret(stPath(f.runtime(), argPath(f, 1))); }
// H_TRSFFNAME(template, pairs) -> the template with its placeholders replaced
void fn_H_TRSFFNAME(rt::Frame& f) { f.ret(trsfFName(f.runtime(), argPath(f, 1), f.arg(2))); }
// H_DELTODIGIT(text) -> text from its first digit
void fn_H_DELTODIGIT(rt::Frame& f) { f.ret(delToDigit(argPath(f, 1))); }
// H_MD(path) -> logical: the folder exists at the end
void fn_H_MD(rt::Frame& f) { f.ret(makeDir(f.runtime(), argPath(f, 1))); }
// H_PUSHD(folder) -> logical
void fn_H_PUSHD(rt::Frame& f) { f.ret(pushDir(f.runtime(), f.arg(1))); }
// H_POPD() -> logical: false with an empty stack
void fn_H_POPD(rt::Frame& f) { f.ret(popDir(f.runtime())); }
// H_DISKCHANGE(path) -> 0, an OS error code, or -1 without a drive
void fn_H_DISKCHANGE(rt::Frame& f) {
    f.ret(rt::Value::integer(diskChange(f.runtime(), argPath(f, 1))));
}
// H_DIRCHANGE(folder) -> 0, an OS error code, or -1 when folder is not a string
void fn_H_DIRCHANGE(rt::Frame& f) {
    f.ret(rt::Value::integer(f.arg(1).isString() ? dirChange(f.runtime(), argPath(f, 1)) : -1));
}
// H_COPYFILE(source, target) -> logical: the target exists
void fn_H_COPYFILE(rt::Frame& f) { f.ret(copyFile(f.runtime(), argPath(f, 1), argPath(f, 2))); }
// H_DIRREC(folder) -> flat array of {full name, size, date, time, attributes}
void fn_H_DIRREC(rt::Frame& f) { f.ret(dirRec(f.runtime(), f.arg(1))); }
// H_ALIGNEXT(name) -> the sort key of a file name
void fn_H_ALIGNEXT(rt::Frame& f) { f.ret(alignExt(argPath(f, 1))); }
// H_SETFILECASE(case, apply) -> the previous setting when applied, else 0
void fn_H_SETFILECASE(rt::Frame& f) {
    f.ret(rt::Value::integer(setFileCase(f.runtime(), f.arg(1), isTrue(f.arg(2)))));
}
// H_HFDATTRIB(file) -> .T.
void fn_H_HFDATTRIB(rt::Frame& f) { f.ret(true); }

const rt::Builtin kBuiltins[] = {
    {"H_DRIVE", fn_H_DRIVE},
    {"H_ADDSL", fn_H_ADDSL},
    {"H_CUTSL", fn_H_CUTSL},
    {"H_ADDPATH", fn_H_ADDPATH},
    {"H_FILENAME", fn_H_FILENAME},
    {"H_FILE", fn_H_FILENAME},
    {"H_FILEFNAME", fn_H_FILEFNAME},
    {"H_FILEEXT", fn_H_FILEEXT},
    {"H_PATH", fn_H_PATH},
    {"H_ALLF", fn_H_ALLF},
    {"H_CURDRIVE", fn_H_CURDRIVE},
    {"H_RESOURCE", fn_H_RESOURCE},
    {"H_PATHVALID", fn_H_PATHVALID},
    {"H_FDEXIST", fn_H_FDEXIST},
    {"H_VALFNAME", fn_H_VALFNAME},
    {"H_FILEEX", fn_H_FILEEX},
    {"H_ISDIR", fn_H_ISDIR},
    {"H_DIRECTORY", fn_H_DIRECTORY},
    {"H_OSPATH", fn_H_OSPATH},
    {"H_MAPPATH", fn_H_MAPPATH},
    {"H_TRPATH", fn_H_TRPATH},
    {"H_ABSPATH", fn_H_ABSPATH},
    {"H_TRUEPATH", fn_H_TRUEPATH},
    {"H_STPATH", fn_H_STPATH},
    {"H_TRSFFNAME", fn_H_TRSFFNAME},
    {"H_DELTODIGIT", fn_H_DELTODIGIT},
    {"H_MD", fn_H_MD},
    {"H_PUSHD", fn_H_PUSHD},
    {"H_POPD", fn_H_POPD},
    {"H_DISKCHANGE", fn_H_DISKCHANGE},
    {"H_DIRCHANGE", fn_H_DIRCHANGE},
    {"H_COPYFILE", fn_H_COPYFILE},
    {"H_DIRREC", fn_H_DIRREC},
    {"H_ALIGNEXT", fn_H_ALIGNEXT},
    {"H_SETFILECASE", fn_H_SETFILECASE},
    {"H_HFDATTRIB", fn_H_HFDATTRIB},
};

}  // namespace

std::span<const rt::Builtin> builtins() { return kBuiltins; }

}  // namespace xb::fw::pathval
