#include "framework/core/trelbeg.hpp"

#include <gtest/gtest.h>

#include "framework/core/core.hpp"

namespace xb::fw {
namespace {

TEST(HEnd, ThrowsFatalStopWithCodeAndMessage) {
    rt::Runtime rt;
    try {
        trelbeg::hEnd(rt, 2, "Catalog eronat");
        FAIL() << "hEnd returned";
    } catch (const rt::FatalStop& s) {
        EXPECT_EQ(s.code, 2);
        EXPECT_EQ(s.message, "Catalog eronat");
    }
}

TEST(HEnd, BindingDefaultsToCodeZeroWithoutMessage) {
    rt::Runtime rt;
    registerCore(rt);
    try {
        rt.call("h_end", {});
        FAIL() << "H_END returned";
    } catch (const rt::FatalStop& s) {
        EXPECT_EQ(s.code, 0);
        EXPECT_EQ(s.message, "");
    }
}

}  // namespace
}  // namespace xb::fw
