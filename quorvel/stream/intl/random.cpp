#include "quorvel/stream/intl/random.h"

namespace quorvel::stream::intl {

random::random() : engine(device()), distribution(1, 65536) {}

random::~random() = default;

}  // namespace quorvel::stream::intl
