// Small pictures for tests.
#pragma once

#include <memory>

#include "tlx/picture.h"

namespace vodex::test {

// A 2 x 3 pixel PNG image.
std::shared_ptr<tlx::cls_CorePicture> TinyPng();
// A `width` x `height` pixel 24-bit BMP image of one colour.
std::shared_ptr<tlx::cls_CorePicture> TinyBmp(int width, int height);

}  // namespace vodex::test
