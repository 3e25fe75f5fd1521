#pragma once
// Texts that the notification area holds in fixed GBK buffers (a 127-byte tip, a 63-byte
// balloon title, a 255-byte balloon text) are cut to that many GBK bytes, and never in the
// middle of a character.

#include <QString>

#include <cstddef>

namespace quilla::client {

// The longest start of `text` whose GBK form fits in `max_bytes` bytes, ending on a whole
// character. A character GBK cannot hold counts as the one byte of the "?" that GBK text
// would carry instead; it stays in the result as it is.
QString CutToGbkBytes(const QString& text, std::size_t max_bytes);

}  // namespace quilla::client
