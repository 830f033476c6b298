#pragma once
// Reading back a name that was written in C quotes, as git writes a name that
// holds a control character, a double quote or a backslash.

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::text {

// Returns the bytes that `quoted` spells when it is a double-quoted string:
// a '"' at each end, between them any byte but '"' and '\', or an escape
// \a \b \t \n \v \f \r \" \\, or \ and three octal digits (000 to 377, one
// byte). Returns nothing for any other text: no quotes around it, a bare '"'
// inside, an unknown escape, fewer than three digits or a value above 377,
// a '\' at the end. The bytes are not decoded. Never throws except
// std::bad_alloc.
std::optional<std::string> c_unquote(std::string_view quoted);

}  // namespace quorvel::text
