#include "quorvel/text/utf8.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quorvel::text {
namespace {

constexpr bool wide_is_16_bits = sizeof(wchar_t) == 2;

// The value of a unit, read as unsigned whatever the signedness of wchar_t.
constexpr std::uint32_t unit_value(wchar_t unit) {
  return static_cast<std::make_unsigned_t<wchar_t>>(unit);
}

constexpr wchar_t stray_unit(unsigned char byte) {
  return static_cast<wchar_t>(0xDC00 + byte);
}

// Appends a code point as one unit, or as a surrogate pair where units are
// 16 bits wide; a value that a pair cannot hold keeps its low 16 bits.
void append_code_point(std::wstring& out, std::uint32_t code_point) {
  if (wide_is_16_bits && code_point > 0xFFFF) {
    if (code_point > 0x10FFFF) {
      out += static_cast<wchar_t>(code_point & 0xFFFF);
      return;
    }
    const std::uint32_t offset = code_point - 0x10000;
    out += static_cast<wchar_t>(0xD800 + (offset >> 10));
    out += static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
    return;
  }
  out += static_cast<wchar_t>(code_point);
}

// Length of the sequence that `lead` announces, tested in the order of the
// masks, or 0 for a byte that cannot start a sequence.
std::size_t sequence_length(unsigned char lead) {
  if (lead < 0x80) {
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    return 2;
  }
  if ((lead & 0xF0) == 0xE0) {
    return 3;
  }
  if ((lead & 0xF8) == 0xF0) {
    return 4;
  }
  if ((lead & 0xFC) == 0xF8) {
    return 5;
  }
  if ((lead & 0xFE) == 0xFC) {
    return 6;
  }
  return 0;
}

// Makes `out` the widened run of ASCII bytes that `bytes` starts with, with
// room for a unit per byte of the rest (no decoding gives more), and returns
// the run's length. Names, paths and rule lines are mostly ASCII throughout:
// the run is found eight bytes at a time, and widened as it is found.
std::size_t widen_ascii_start(std::string_view bytes, std::wstring& out) {
  const std::size_t size = bytes.size();
  out.resize(size);
  wchar_t* const to = out.data();
  std::size_t run = 0;
  for (; run + 8 <= size; run += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + run, sizeof word);
    if ((word & 0x8080808080808080u) != 0) {
      break;
    }
    for (std::size_t k = run; k < run + 8; ++k) {
      to[k] = static_cast<wchar_t>(bytes[k]);
    }
  }
  for (; run < size && static_cast<unsigned char>(bytes[run]) < 0x80; ++run) {
    to[run] = static_cast<wchar_t>(bytes[run]);
  }
  out.resize(run);
  return run;
}

}  // namespace

std::wstring utf8_to_wide(const std::string& bytes) {
  std::wstring out;
  const std::size_t size = bytes.size();
  std::size_t i = widen_ascii_start(bytes, out);
  while (i < size) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const auto low6 = [&](std::size_t k) { return static_cast<std::uint32_t>(byte(k) & 0x3F); };
    const unsigned char lead = byte(0);
    std::size_t length = sequence_length(lead);
    // Regression: a lead byte swallowed the line end after it, so the next
    // rule line (or listing line) was lost in the garbled unit. An ASCII byte
    // is never part of a longer sequence: the lead then stands alone.
    for (std::size_t k = 1; k < length && k < size - i; ++k) {
      if (byte(k) < 0x80) {
        length = 0;
        break;
      }
    }
    if (length == 0) {
      out += stray_unit(lead);
      ++i;
      continue;
    }
    if (length > size - i) {
      // The text ends inside the sequence: keep what is left, byte by byte.
      out += bytes_to_wide(std::string_view(bytes).substr(i));
      break;
    }
    switch (length) {
      case 1:
        out += static_cast<wchar_t>(lead);
        break;
      case 2:
        out += static_cast<wchar_t>(((lead & 0x1Fu) << 6) | low6(1));
        break;
      case 3:
        out += static_cast<wchar_t>(((lead & 0x0Fu) << 12) | (low6(1) << 6) | low6(2));
        break;
      case 4:
        append_code_point(out, ((lead & 0x07u) << 18) | (low6(1) << 12) | (low6(2) << 6) | low6(3));
        break;
      case 5:
        out += static_cast<wchar_t>(((byte(2) & 0x0Fu) << 12) | (low6(3) << 6) | low6(4));
        break;
      default:
        out += static_cast<wchar_t>(((byte(3) & 0x0Fu) << 12) | (low6(4) << 6) | low6(5));
        break;
    }
    i += length;
  }
  return out;
}

std::wstring bytes_to_wide(std::string_view bytes) {
  const std::size_t size = bytes.size();
  std::wstring out;
  std::size_t i = widen_ascii_start(bytes, out);
  while (i < size) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t code_point = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code_point = lead & 0x1Fu;
      minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code_point = lead & 0x0Fu;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code_point = lead & 0x07u;
      minimum = 0x10000;
    }
    bool valid = length != 0 && length <= size - i;
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code_point = (code_point << 6) | (next & 0x3Fu);
    }
    valid = valid && code_point >= minimum && code_point <= 0x10FFFF &&
            (code_point < 0xD800 || code_point > 0xDFFF);
    if (!valid) {
      out += stray_unit(lead);
      ++i;
      continue;
    }
    append_code_point(out, code_point);
    i += length;
  }
  return out;
}

std::string wide_to_bytes(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  append_bytes(out, text);
  return out;
}

void append_bytes(std::string& out, std::wstring_view text) {
  // The ASCII units that most text begins with, if not all of it, are copied
  // in one go rather than appended one by one.
  std::size_t ascii = 0;
  while (ascii < text.size() && unit_value(text[ascii]) < 0x80) {
    ++ascii;
  }
  const std::size_t base = out.size();
  out.resize(base + ascii);
  for (std::size_t i = 0; i < ascii; ++i) {
    out[base + i] = static_cast<char>(text[i]);
  }
  for (std::size_t i = ascii; i < text.size(); ++i) {
    auto code_point = unit_value(text[i]);
    if (code_point < 0x80) {
      out += static_cast<char>(code_point);
      continue;
    }
    if (code_point >= 0xDC80 && code_point <= 0xDCFF) {
      out += static_cast<char>(code_point - 0xDC00);
      continue;
    }
    if (wide_is_16_bits && code_point >= 0xD800 && code_point <= 0xDBFF && i + 1 < text.size()) {
      const auto low = unit_value(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (code_point > 0x1FFFFF) {
      code_point = 0xFFFD;
    }
    if (code_point < 0x800) {
      out += static_cast<char>(0xC0 | (code_point >> 6));
    } else if (code_point < 0x10000) {
      out += static_cast<char>(0xE0 | (code_point >> 12));
      out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code_point >> 18));
      out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace quorvel::text
