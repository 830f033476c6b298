#pragma once
// Setting an environment variable for the programs a test starts.

#include <cstdlib>
#include <optional>
#include <string>

namespace quorvel::testing {

// Sets the variable `name` to `value` (unsets it for nullptr) while it lives,
// then puts back what was there, so that a test sees neither the user's
// setting nor another test's.
class scoped_variable {
 public:
  scoped_variable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      previous_ = old;
    }
    set(value);
  }
  ~scoped_variable() { set(previous_ ? previous_->c_str() : nullptr); }
  scoped_variable(const scoped_variable&) = delete;
  scoped_variable& operator=(const scoped_variable&) = delete;

 private:
  void set(const char* value) const {
#ifdef _WIN32
    // An empty value removes the variable here, as Windows keeps none empty.
    _putenv_s(name_.c_str(), value != nullptr ? value : "");
#else
    if (value != nullptr) {
      ::setenv(name_.c_str(), value, 1);
    } else {
      ::unsetenv(name_.c_str());
    }
#endif
  }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace quorvel::testing
