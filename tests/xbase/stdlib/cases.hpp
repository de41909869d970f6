// Table-driven expression cases for the standard library tests: ExprCase and expectAll()
// come with the evaluator fixture.
#pragma once

#include "xbase/eval_fixture.hpp"
