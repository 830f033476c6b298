#include "stream/intl/random.h"

namespace quorvel::stream::intl {

random::random() : engine_(device_()), distribution_(1, 65536) {}

random::~random() = default;

}  // namespace quorvel::stream::intl
