#include "quorvel/stream/in.h"

namespace quorvel::stream {

// Defined here so that the class's virtual table lives in one object file.
in::~in() = default;

}  // namespace quorvel::stream
