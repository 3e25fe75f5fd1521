#pragma once
// A small PNG of one colour, as a web server would serve a cover picture.

#include "support/test_png.h"

namespace quilla::server::testing {
using quilla::testing::PngOf;
}  // namespace quilla::server::testing
