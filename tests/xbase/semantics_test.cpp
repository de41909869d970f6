#include <gtest/gtest.h>

#include "eval_fixture.hpp"
