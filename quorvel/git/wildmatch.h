#pragma once
// Git's glob matching of a path (wildmatch), on bytes, without a
// regular-expression library.

#include <string_view>

namespace quorvel::git {

// Returns whether the whole of `text` matches the glob `pattern` as git
// matches a path against an ignore rule that holds a "/":
// - `*` matches any run of bytes without "/", `?` one byte other than "/";
// - `[...]` one byte of a class: members, ranges (`a-z`; a range whose end
//   lies below its start holds only its start), `!` or `^` first to negate,
//   `]` first as a member, a backslash to escape, POSIX classes such as
//   `[:alpha:]` (ASCII only); a class never matches "/";
// - two or more stars that begin the pattern, follow a "/" or follow the
//   literal text before the pattern's first wildcard match, before a "/",
//   nothing or any run that ends with "/" (so `**/a`, `x/**/a` and also
//   `x**/a` reach any depth), and at the end of the pattern anything at all;
//   other runs of stars are one star (`x/[ab]**/c` does not reach over "/");
// - a backslash makes the next byte literal.
// Matching is on bytes: `?` matches one byte of a UTF-8 sequence. With
// `ignore_case`, ASCII letters match either case, as git has it: the text's
// byte is lowered and compared with the pattern's, also lowered, except an
// escaped byte and a single member of a class, which are taken as written
// (so `\A` and `[A]` match nothing), while ranges and POSIX classes take a
// letter in either case. A pattern that git never
// matches (a backslash at its end, a class that does not close, an unknown
// class name) gives false. Time is at most proportional to the text's length
// times the pattern's. Never throws except std::bad_alloc.
bool wildmatch(std::string_view pattern, std::string_view text, bool ignore_case = false);

}  // namespace quorvel::git
