#include "runner/output.h"

#include "text/utf8.h"

namespace quorvel::runner {

void output::wide(std::wstring_view text) {
  stream_ << text::wide_to_bytes(text);
}

}  // namespace quorvel::runner
