// The cost of showing the screen on a terminal: what the terminal backend does per flush
// (compare with the shadow, build the escape sequences, one write), with /dev/null as the
// terminal. The target: a full 80x25 redraw in well under a millisecond of CPU.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "term/screen.hpp"
#include "term/tty_backend.hpp"

namespace {

using xb::term::Cell;
using xb::term::Renderer;
using xb::term::Screen;

// Paints every cell, shade and box characters in several colours; `phase` changes them all.
void paint(Screen& s, int phase) {
    for (int r = 0; r < s.rows(); ++r)
        for (int c = 0; c < s.cols(); ++c) {
            auto ch =
                static_cast<std::uint8_t>((r + c + phase) % 3 == 0 ? 0xB0 : 'A' + (c + phase) % 26);
            auto attr =
                static_cast<std::uint8_t>(((c / 8 + phase) % 16) | (((r + phase) % 8) << 4));
            s.set(r, c, Cell{ch, attr});
        }
}

// Every cell differs from the last frame: the worst case of a changed-cells-only flush.
void BM_FullRedraw80x25(benchmark::State& state) {
    int fd = ::open("/dev/null", O_WRONLY);
    Screen s(25, 80);
    Renderer r(25, 80);
    std::string out;
    int phase = 0;
    for (auto _ : state) {
        paint(s, ++phase % 2);
        out.clear();
        r.render(s, out);
        benchmark::DoNotOptimize(::write(fd, out.data(), out.size()));
    }
    state.counters["bytes/frame"] = static_cast<double>(out.size());
    ::close(fd);
}
BENCHMARK(BM_FullRedraw80x25)->Unit(benchmark::kMicrosecond);

// A typical update: one message line changes, the rest of the screen stays.
void BM_MessageLineUpdate80x25(benchmark::State& state) {
    int fd = ::open("/dev/null", O_WRONLY);
    Screen s(25, 80);
    Renderer r(25, 80);
    paint(s, 0);
    std::string out;
    r.render(s, out);
    int n = 0;
    for (auto _ : state) {
        s.write(24, 0, "Asteptati ! " + std::to_string(++n), 0x1E);
        out.clear();
        r.render(s, out);
        benchmark::DoNotOptimize(::write(fd, out.data(), out.size()));
    }
    ::close(fd);
}
BENCHMARK(BM_MessageLineUpdate80x25)->Unit(benchmark::kMicrosecond);

}  // namespace
