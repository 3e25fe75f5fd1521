#pragma once
// The values that the music search service sends are the insides of JSON strings, written
// for a script engine to read: escapes of the string literal (\n, \", \/, ...), \uXXXX
// and percent escapes (%uXXXX, %XX) all occur. DecodeJsonText turns such a value into
// plain text without a script engine.

#include <string>
#include <string_view>

namespace quilla::client {

// Decodes one captured value (UTF-8) and returns UTF-8:
// - CR LF pairs are kept as they are; a single CR at the very start is dropped;
// - "\u" becomes "%u", then the value is read as the body of a single-quoted script
//   string literal (\b \f \n \r \t \v \' \" \\, \xHH, octal \0..\377; a backslash before
//   any other character gives that character) and the result is unescaped (%uXXXX gives
//   the UTF-16 unit, %XX the character U+00XX);
// - the typographic apostrophe ’ comes back as ' (the value's own ' survive as well);
// - the text ends at a NUL character, as a script text handed back to us would.
// A value the literal cannot hold (a line break other than CR LF, a trailing lone
// backslash) or one that decodes to nothing is returned as it came. Pure, thread-safe.
std::string DecodeJsonText(std::string_view value);

}  // namespace quilla::client
