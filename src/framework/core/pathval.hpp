// PATHVAL: paths and file names: joining, splitting, validating, making absolute, folding
// "..", environment references, separators, the directory stack, listings and file-name
// templates.
//
// Every path function trims blanks from both ends of its text arguments, and a binding
// reads an argument that is not a string as "". The separator is the first character of
// the memory variable H_OSPATHS (the platform's "/" when it is absent), so the same code
// gives the Windows results when H_OSPATHS is "\". A path is absolute when it begins with
// the separator or with a drive (a letter and ":").
//
// This build has no drives: the current drive is "", and a path beginning with a drive
// (written by a Windows installation) reaches the file system through the environment
// variable named by its letter when that is set. File names are matched without regard to
// case when the exact name is missing, as on the file systems the data come from.
//
// Invariants: the pure string functions never touch the file system or the environment;
// fatal stops go through hEnd with the codes and texts the callers of this module expect.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"

namespace xb::fw::pathval {

inline constexpr char kPlatformSep = '/';

// --- pure string functions (the separator is a parameter) ---

// Blanks removed from both ends.
std::string trimBlanks(std::string_view s);
// A path argument as the bindings read it: the trimmed string, "" for any other type.
std::string pathArg(const rt::Value& v);

std::string drive(std::string_view path);  // "C:" or ""
std::string addSl(std::string_view path, char sep);
std::string cutSl(std::string_view path, char sep);
bool isAbsolute(std::string_view path, char sep);
// The folder gets a separator as addSl gives it; an absolute name is the result as it is.
std::string addPath(std::string_view name, std::string_view folder, bool addSep, char sep);
std::string fileName(std::string_view path, char sep);
std::string fileFName(std::string_view path, char sep);  // without the extension
std::string fileExt(std::string_view path, char sep);

// The path grammar: valid shapes are a UNC prefix with server [separator [share [separator
// [chain]]]]; a drive alone, with a separator, with a rooted chain or with a relative chain;
// a separator alone or with a rooted chain; a relative chain. depth counts the folder levels
// of a rooted path below its root (0 otherwise, and 0 for an invalid path). wildcards lets
// "*" and "?" appear in the last component.
struct PathCheck {
    bool valid = false;
    int depth = 0;
};
PathCheck checkPath(std::string_view path, char sep, bool wildcards = false);
bool pathValid(std::string_view path, char sep, bool wildcards = false);
std::string pathOf(std::string_view path, char sep);  // H_PATH: the folder with its separator
bool isResource(std::string_view path, char sep);
bool validFileName(std::string_view name);
std::string delToDigit(std::string_view text);
std::string alignExt(std::string_view name);
// True when name matches the mask: "*" and "?" as usual, case ignored, "*.*" matches
// everything and a final ".*" also matches a name without extension.
bool maskMatch(std::string_view mask, std::string_view name);

// --- the platform, the environment and the directory stack ---

// Per-runtime state of the module. The hooks default to the process's environment and
// current directory; tests replace them to run the Windows rules (drive "C:", "\").
struct PathState {
    static constexpr char kTag = 0;
    explicit PathState(rt::Runtime& rt);

    // The value of an environment variable, "" when unset.
    std::function<std::string(std::string_view name)> getEnv;
    // "C:" where the platform has drives; "" here.
    std::string currentDrive;
    // The current directory of a drive ("" = the current drive), without leading separator.
    std::function<std::string(std::string_view drive)> currentDir;

    struct Pushed {
        std::optional<std::string> drive;
        std::string folder;
    };
    std::vector<Pushed> dirStack;
    // {drive, value} pairs of the single-letter environment variables, longest value first;
    // built on first use by stPath.
    std::optional<std::vector<std::pair<std::string, std::string>>> driveMap;
    int fileCase = 0;  // 0 mixed, 1 lower, 2 upper
};
PathState& state(rt::Runtime& rt);

// H_OSPATHS's first character, or the platform's separator.
char separator(rt::Runtime& rt);
std::string curDrive(rt::Runtime& rt);

// Separator translation: "L" turns "\" into "/", "W" or "" turns "/" into "\"; any other
// target is a fatal stop.
std::string trPath(rt::Runtime& rt, std::string_view path, std::string_view target);
// A leading %NAME% replaced by the environment variable's value. Errors are fatal stops, or
// with quiet set, the text in *error and the path unchanged.
std::string mapPath(rt::Runtime& rt, std::string_view path, bool quiet = false,
                    std::string* error = nullptr);
// mapPath, then the other separator turned into the current one.
std::string osPath(rt::Runtime& rt, std::string_view path, bool quiet = false,
                   std::string* error = nullptr);
std::string absPath(rt::Runtime& rt, std::string_view path);
// absPath with ".." folded away; an invalid path is a fatal stop (code 2).
std::string truePath(rt::Runtime& rt, std::string_view path);
// truePath with a leading value of a drive variable turned back into the drive, written
// with the file server's separator.
std::string stPath(rt::Runtime& rt, std::string_view path);
// Applies a file-name template: the pairs {from, to} in order; NIL or {} = the defaults.
std::string trsfFName(rt::Runtime& rt, std::string_view tmpl, const rt::Value& pairs);
// H_SETFILECASE: with apply, sets the file-name case and returns the previous one; else 0.
int setFileCase(rt::Runtime& rt, const rt::Value& fileCase, bool apply);
// The name part of path in the case the setting asks for.
std::string applyFileCase(rt::Runtime& rt, std::string_view path);

// --- the file system ---

// The path the operating system is given for a framework path: a drive resolved through
// its environment variable, the separator made "/", and each missing component replaced by
// an entry of its folder that differs only in case.
std::string hostPath(rt::Runtime& rt, std::string_view path);
// The classic OS error code of an errno value: 2 file not found (3 when its folder is
// missing too), 3 path not found, 4 too many open files, 5 access denied, 6 bad handle.
// hostFile, when given, is the file the failing call named.
int dosError(int err, std::string_view hostFile = {});

// "" missing or invalid, "V" a bare drive (or the root), "D" one directory, "F" one file.
std::string fdExist(rt::Runtime& rt, std::string_view path);
bool fileExists(rt::Runtime& rt, std::string_view mask);
bool isDir(rt::Runtime& rt, std::string_view path);
// The listing of a mask: arrays {name, size, date, time, attributes}. attributes "D"
// includes directories (with "." and ".."), "H" the hidden entries (names beginning with ".").
rt::Value directory(rt::Runtime& rt, std::string_view mask, std::string_view attributes);
bool makeDir(rt::Runtime& rt, std::string_view path);
bool pushDir(rt::Runtime& rt, const rt::Value& folder);
bool popDir(rt::Runtime& rt);
int diskChange(rt::Runtime& rt, std::string_view path);
int dirChange(rt::Runtime& rt, std::string_view folder);  // 0, or the OS error code
// Copies a file; failures go to the error handler. True when the target exists afterwards.
bool copyFile(rt::Runtime& rt, std::string_view source, std::string_view target);
// Everything below folder: files of a folder first, then each subdirectory's entry followed
// by its own listing. Names are joined to their folder.
rt::Value dirRec(rt::Runtime& rt, const rt::Value& folder);

std::span<const rt::Builtin> builtins();

}  // namespace xb::fw::pathval
