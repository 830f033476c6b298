#pragma once
// A one-pass input iterator over anything that hands out records with
// `bool next(Record&)`, so that such a walk reads as a range-for loop.

#include <cstddef>
#include <iterator>

namespace quorvel::filesystem {

// Made from the walk, it takes the first record; each step takes the next
// with `next`, and it equals std::default_sentinel once `next` returns
// false. What `next` throws leaves the loop.
template <class Walk, class Record>
class next_iterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = Record;
  using difference_type = std::ptrdiff_t;
  using pointer = const Record*;
  using reference = const Record&;

  next_iterator() = default;
  explicit next_iterator(Walk& walk) : walk_(&walk) { ++*this; }

  reference operator*() const { return record_; }
  pointer operator->() const { return &record_; }
  next_iterator& operator++() {
    if (!walk_->next(record_)) {
      walk_ = nullptr;
    }
    return *this;
  }
  void operator++(int) { ++*this; }
  friend bool operator==(const next_iterator& at, std::default_sentinel_t) {
    return at.walk_ == nullptr;
  }

 private:
  Walk* walk_ = nullptr;
  Record record_;
};

}  // namespace quorvel::filesystem
