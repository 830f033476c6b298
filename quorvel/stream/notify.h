#pragma once
// The list of named handlers that every input stream carries.

#include <functional>
#include <string>
#include <vector>

namespace quorvel {

// Named handlers and one value, both empty after construction. Nothing in
// the system registers or calls a handler yet, so the callable's signature
// is only a placeholder that takes the value.
template <class Value>
class notify {
 public:
  // One registered handler.
  struct handler {
    std::string name;
    std::function<void(Value)> call;
  };

 private:
  std::vector<handler> handlers;
  Value value{};
};

}  // namespace quorvel
