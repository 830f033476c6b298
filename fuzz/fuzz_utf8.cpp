// Both decoders on arbitrary bytes: no read past the end, and the lossless
// pair gives every byte string back unchanged.

#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "quorvel/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(quorvel::fuzzing::as_bytes(data, size));
  const std::wstring contents = quorvel::text::utf8_to_wide(bytes);
  // At most one unit per byte, two where a 4-byte sequence makes a pair.
  if (contents.size() > bytes.size()) {
    std::abort();
  }
  const std::wstring name = quorvel::text::bytes_to_wide(bytes);
  if (quorvel::text::wide_to_bytes(name) != bytes) {
    std::abort();
  }
  // Encoding whatever the file decoder made must not fail either.
  (void)quorvel::text::wide_to_bytes(contents);
  return 0;
}
