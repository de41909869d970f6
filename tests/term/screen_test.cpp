#include "term/screen.hpp"

#include <gtest/gtest.h>

namespace xb::term {
namespace {

TEST(Colour, ParsesClassicStrings) {
    struct Case {
        const char* text;
        int attr;
    };
    static const Case cases[] = {
        {"W+/B", 0x1F},
        {"w/n", 0x07},
        {"N/W*", 0xF0},
        {"GR+/RB", 0x5E},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseColour(c.text), c.attr);
    }
}

}  // namespace
}  // namespace xb::term
