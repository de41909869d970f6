#include "term/headless.hpp"

#include "runtime/error.hpp"

namespace xb::term {

bool HeadlessBackend::resized() {
    bool r = resized_;
    resized_ = false;
    return r;
}

void HeadlessBackend::resize(int rows, int cols) {
    rows_ = rows;
    cols_ = cols;
    resized_ = true;
}

void HeadlessBackend::flush(Screen& screen) {
    ++flushes_;
    screen.clearDirty();
}

std::optional<KeyEvent> HeadlessBackend::read(double seconds) {
    if (queue_.empty()) {
        if (seconds < 0 && ++starved_ >= starveLimit) {
            starved_ = 0;
            throw rt::FatalStop{9, "headless console: waiting for a key that was never queued"};
        }
        return std::nullopt;
    }
    starved_ = 0;
    KeyEvent e = queue_.front();
    queue_.pop_front();
    switch (e.code) {
        case key::kLeftDown:
        case key::kLeftDouble:
            left_ = true;
            break;
        case key::kLeftUp:
            left_ = false;
            break;
        case key::kRightDown:
        case key::kRightDouble:
            right_ = true;
            break;
        case key::kRightUp:
            right_ = false;
            break;
        default:
            break;
    }
    return e;
}

void HeadlessBackend::pushBytes(std::string_view bytes) {
    while (!bytes.empty()) {
        DecodeResult r = decodeInput(bytes, true);
        if (r.used == 0) break;
        if (r.status == DecodeResult::Status::Event) queue_.push_back(r.event);
        bytes.remove_prefix(r.used);
    }
}

std::vector<std::string> HeadlessBackend::utf8Lines(const Screen& screen) const {
    std::vector<std::string> lines;
    for (int r = 0; r < screen.rows(); ++r) lines.push_back(toUtf8(screen.rowText(r), glyphs_));
    return lines;
}

}  // namespace xb::term
