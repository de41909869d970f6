// HMES: the message line, questions, beeps, batch mode, message windows and the help menu.
//
// The message line is the last screen row. A message shown without waiting stays until
// something else writes the line; a message that waited puts the line back as it was.
// Batch mode exists only when the application declared the logical memory variable APELBAT:
// while it is true, warnings and errors are collected ("*   " + text) instead of shown.
// Message levels: 0 help (colour index 11), 1 warning (12), 2 error (13).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::ui {

// wait: nullopt shows the text and returns " " at once; 0 waits without limit (the text is
// trimmed and " ..." appended); a positive number waits at most that long. Returns the key
// as a one-character string (Chr(0) on time-out); NIL when a batch run collected the text.
rt::Value message(rt::Runtime& rt, int level, std::string_view text,
                  std::optional<double> wait = std::nullopt);
rt::Value mesHlp(rt::Runtime& rt, std::string_view text, std::optional<double> wait = std::nullopt);
rt::Value mesWar(rt::Runtime& rt, std::string_view text, std::optional<double> wait = std::nullopt);
rt::Value mesErr(rt::Runtime& rt, std::string_view text, std::optional<double> wait = std::nullopt);
// The question on the message line; `answer` gives the default letter and receives the
// chosen one. True when accepted, false after Esc.
bool mesQry(rt::Runtime& rt, std::string_view prompt, std::string_view choices,
            std::string& answer);

void beepKey(rt::Runtime& rt, bool silent);
void beepWar(rt::Runtime& rt, bool silent);
void beepErr(rt::Runtime& rt, bool silent);

// Batch mode.
bool batchOn(rt::Runtime& rt);
rt::Value mesBat(rt::Runtime& rt, const rt::Value& text);
int errBat(rt::Runtime& rt);

rt::Value newMessage(rt::Runtime& rt, const rt::Value& kind, const rt::Value& top,
                     const rt::Value& left, const rt::Value& bottom, const rt::Value& right,
                     const rt::Value& title, const rt::Value& palette, const rt::Value& lines);
// Pages through message windows; `start` gives and receives the index shown last.
int messages(rt::Runtime& rt, const rt::Value& windows, rt::Value& start);
// The help menu "Ajutor"; `last` gives and receives the item to preselect.
rt::Value pMessages(rt::Runtime& rt, const rt::Value& windows, rt::Value& last);

std::span<const rt::Builtin> hmesBuiltins();

}  // namespace xb::fw::ui
