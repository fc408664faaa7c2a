#pragma once

#include "platform/events.h"

namespace af {

// Decodes JPEG bytes and scales them to width x height; false when they are no picture.
bool decode_picture(const Bytes& bytes, int width, int height, Picture& out);

}  // namespace af
