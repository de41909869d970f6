// termdemo [--log FILE]: draws a framed window with a title, a shade fill and coloured text on
// the terminal, then shows the code of every key and mouse event until Esc. With --log each
// event is appended to FILE as "key <code>" (mouse events: "key <code> <row> <col>"), so that
// scripts can check the key decoding.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/runtime.hpp"
#include "term/console.hpp"

namespace {

using xb::term::Console;

void centre(Console& c, int row, int left, int right, const std::string& text, std::uint8_t a) {
    int width = right - left + 1;
    int col = left + (width - static_cast<int>(text.size())) / 2;
    c.setPos(row, col);
    c.dispOut(text, a);
}

void drawWindow(Console& c) {
    c.dispBegin();
    c.setCursor(xb::term::CursorShape::None);
    c.setColour("W/B");
    c.box(0, 0, c.maxRow(), c.maxCol(), std::string(9, '\xB0'));  // shade fill
    const int top = 4, left = 10, bottom = 18, right = 69;
    c.box(top, left, bottom, right, std::string(xb::term::kBoxDouble) + " ",
          xb::term::parseColour("W+/B"));
    centre(c, top + 1, left + 1, right - 1, "Console demo", xb::term::parseColour("GR+/B"));
    // The title separator, with junctions that code pages 437 and 852 both have.
    c.box(top + 2, left, top + 2, right, "\xCD\xCD", xb::term::parseColour("W+/B"));
    c.screen().set(top + 2, left, {0xCC, xb::term::parseColour("W+/B")});
    c.screen().set(top + 2, right, {0xB9, xb::term::parseColour("W+/B")});
    struct Line {
        const char* text;
        const char* colour;
    };
    static const Line kLines[] = {
        {"Box \xDA\xC4\xBF \xC9\xCD\xBB  shades \xB0\xB1\xB2\xDB", "W+/B"},
        {"Red on white", "R/W"},
        {"Bright green on black", "G+/N"},
        {"Yellow on magenta", "GR+/RB"},
        {"Blinking (bright) background", "N/W*"},
        {"Press keys or click; Esc ends.", "BG+/B"},
    };
    int row = top + 3;
    for (const Line& l : kLines) {
        c.setPos(row++, left + 3);
        c.dispOut(l.text, xb::term::parseColour(l.colour));
    }
    c.dispEnd();
}

void showEvent(Console& c, const std::string& text) {
    c.dispBegin();
    c.setPos(16, 13);
    c.dispOut(std::string(54, ' '), xb::term::parseColour("W+/B"));
    c.setPos(16, 13);
    c.dispOut(text, xb::term::parseColour("W+/R"));
    c.dispEnd();
}

}  // namespace

int main(int argc, char** argv) {
    std::string logPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            logPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: termdemo [--log FILE]\n");
            return 2;
        }
    }
    std::FILE* log = nullptr;
    if (!logPath.empty()) {
        log = std::fopen(logPath.c_str(), "a");
        if (!log) {
            std::perror(logPath.c_str());
            return 1;
        }
    }
    int code = 0;
    try {
        xb::term::setBackendChoice({xb::term::BackendKind::Terminal});
        xb::rt::Runtime rt;
        Console& c = Console::of(rt);
        c.setTitle("termdemo");
        drawWindow(c);
        for (;;) {
            int k = c.inkey(0.0);
            std::string line = "key " + std::to_string(k);
            if (xb::term::key::isMouse(k))
                line += " " + std::to_string(c.mouseRow()) + " " + std::to_string(c.mouseCol());
            if (log) {
                std::fprintf(log, "%s\n", line.c_str());
                std::fflush(log);
            }
            showEvent(c, line);
            if (k == xb::term::key::kEsc) break;
        }
        c.setColour("W/N");
        c.setPos(c.maxRow(), 0);
        c.dispOut("termdemo: Esc pressed, bye.");
    } catch (const xb::rt::FatalStop& stop) {
        std::fprintf(stderr, "termdemo: %s\n", stop.message.c_str());
        code = stop.code ? stop.code : 1;
    }
    if (log) std::fclose(log);
    return code;
}
