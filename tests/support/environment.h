#pragma once
// Setting an environment variable for the library and the programs a test
// starts.

#include <cstdlib>
#include <optional>
#include <string>

namespace quorvel::testing {

// Sets the variable `name` to `value` (unsets it for nullptr) for the rest of
// the process. On Windows an empty value removes the variable, as Windows
// keeps none empty.
inline void set_environment(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
#endif
}
inline void set_environment(const char* name, const std::string& value) {
  set_environment(name, value.c_str());
}

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
  void set(const char* value) const { set_environment(name_.c_str(), value); }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace quorvel::testing
