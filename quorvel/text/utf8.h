#pragma once
// Conversions between UTF-8 bytes and wide text.
//
// Two decoders exist on purpose. `utf8_to_wide` is the decoder for file
// contents (rule files and git's listing): it follows the lead byte alone and
// never checks the bytes after it. `bytes_to_wide` is strict and lossless, for
// names that come from the operating system (file names, arguments), which
// must survive a round trip through wide text byte for byte.
//
// Both map a byte b that they cannot place in a sequence to the unit
// U+DC00 + b (U+DC80..U+DCFF), so a stray byte in a pattern and the same stray
// byte in a file name give the same unit. `wide_to_bytes` turns those units
// back into their bytes.

#include <string>
#include <string_view>

namespace quorvel::text {

// Decodes file contents as UTF-8, one sequence at a time, by its lead byte:
// - 1 to 3 bytes give the value they spell (overlong forms and encoded
//   surrogates included; of the bytes after the lead only the low six bits
//   are used, but an ASCII byte is never taken into a sequence: the lead
//   then counts as a byte that cannot start one);
// - 4 bytes give the full code point: one unit where wchar_t has 32 bits, a
//   surrogate pair where it has 16 (a value above U+10FFFF keeps its low 16
//   bits there);
// - 5 and 6 bytes give the low 16 bits of the value they spell;
// - a byte that cannot start a sequence (0x80-0xBF, 0xFE, 0xFF) gives
//   U+DC00 + byte;
// - a sequence cut short by the end of the text gives each of its remaining
//   bytes as `bytes_to_wide` would, and nothing is read past the end.
// A byte order mark is kept as U+FEFF. Never throws except std::bad_alloc.
std::wstring utf8_to_wide(const std::string& bytes);

// Decodes strictly valid UTF-8 to code points (surrogate pairs where wchar_t
// has 16 bits) and every byte that is not part of a valid sequence to
// U+DC00 + byte. Lossless: wide_to_bytes(bytes_to_wide(s)) == s for every s.
std::wstring bytes_to_wide(std::string_view bytes);

// Encodes wide text as UTF-8. Units U+DC80..U+DCFF become the single byte they
// stand for; a surrogate pair (16-bit wchar_t) becomes its code point; any
// other lone surrogate is encoded as if it were a code point, and values
// above U+1FFFFF become U+FFFD.
std::string wide_to_bytes(std::wstring_view text);

// Appends wide_to_bytes(text) to `out`.
void append_bytes(std::string& out, std::wstring_view text);

}  // namespace quorvel::text
