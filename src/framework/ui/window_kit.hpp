// Internal helpers the window kinds of the ui module share (message windows, the options
// dialog, pull-down menus, key tables). Not part of the module's interface: only the ui
// sources include it.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "framework/ui/userintf.hpp"
#include "runtime/value.hpp"

namespace xb::fw::ui {

// Element i (0-based) of an array; NIL when arr is not an array or is too short.
inline const rt::Value& item(const rt::Value& arr, std::size_t i) {
    static const rt::Value nil;
    if (!arr.isArray() || arr.array().items.size() <= i) return nil;
    return arr.array().items[i];
}

// A number rounded down, or def for any other type.
inline int intOf(const rt::Value& v, int def) {
    return v.isNumber() ? static_cast<int>(std::floor(v.numVal())) : def;
}

// The elements of an array as strings, "" for the ones that are not strings.
inline std::vector<std::string> strings(const rt::Value& arr) {
    std::vector<std::string> out;
    if (arr.isArray())
        for (const rt::Value& v : arr.array().items)
            out.push_back(v.isString() ? v.str() : std::string());
    return out;
}

// The 1-based current choice kept as the first element of the window's State slot (1 when
// unset), and its setter, which makes the slot an array when it is not one yet.
inline int stateChoice(const rt::Value& win) { return intOf(item(slot(win, Slot::State), 0), 1); }
void setStateChoice(const rt::Value& win, int n);

// Stores native blocks that call layout and draw in the window's LayoutBlock and DrawBlock.
using WindowStep = void (*)(rt::Runtime&, const rt::Value&);
void setLayoutAndDraw(const rt::Value& win, WindowStep layout, WindowStep draw);

// The Shift F1 action of a window: the exit-key and function-key help pages, reopened at the
// page last shown, which is kept in the UiState member `last`.
rt::Value keysHelpBlock(rt::Value UiState::*last);

}  // namespace xb::fw::ui
