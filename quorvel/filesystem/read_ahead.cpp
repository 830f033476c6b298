#include "quorvel/filesystem/read_ahead.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "quorvel/platform/folder_listing.h"
#include "quorvel/platform/native_path.h"

namespace quorvel::filesystem {
namespace {

using char_type = std::filesystem::path::value_type;
using string_type = std::filesystem::path::string_type;

// Listings held ready at most, counted in names: enough to ride out a large
// folder, little memory next to the walk's own. A thread that waits is woken
// only once there is a stretch of work for it, not for every folder: waking
// costs more than listing a small folder.
constexpr std::size_t most_names_ready = 64 * 1024;
constexpr std::size_t names_to_resume = most_names_ready / 2;  // the lister goes on below this
constexpr std::size_t folders_to_wake = 16;  // the walk goes on at this many ready ...
constexpr std::size_t names_to_wake = 4096;  // ... or at this many names

// Folders the walk left out, searched by a view without a copy.
struct text_hash {
  using is_transparent = void;
  std::size_t operator()(platform::native_view text) const noexcept {
    return std::hash<platform::native_view>()(text);
  }
};
using folder_set = std::unordered_set<string_type, text_hash, std::equal_to<>>;

// Whether `path` is one of `folders` or lies below one: the path itself and
// each folder above it are looked up, so the cost is the path's depth, not
// the number of folders left out.
bool at_or_below(platform::native_view path, const folder_set& folders) {
  if (folders.empty()) {
    return false;
  }
  for (std::size_t end = path.size(); end != platform::native_view::npos && end > 0;
       end = path.rfind(char_type('/'), end - 1)) {
    if (folders.find(path.substr(0, end)) != folders.end()) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<listed_entry> look_up(const listed_names& listed, platform::native_view name) {
  if (name.empty() || name.find(char_type('/')) != platform::native_view::npos ||
      (platform::backslash_is_separator &&
       name.find(char_type('\\')) != platform::native_view::npos)) {
    return std::nullopt;
  }
  // A name that differs only in the case of its letters may be the same
  // file where the file system ignores case: that the listing cannot tell.
  const auto fold = [](char_type c) {
    return c >= char_type('A') && c <= char_type('Z') ? char_type(c - 'A' + 'a') : c;
  };
  const auto same_but_case = [&](platform::native_view a) {
    return a.size() == name.size() &&
           std::equal(a.begin(), a.end(), name.begin(),
                      [&](char_type x, char_type y) { return fold(x) == fold(y); });
  };
  const platform::native_view names = listed.names;
  std::size_t start = 0;
  bool alike = false;
  for (std::size_t i = 0; i < listed.ends.size(); ++i) {
    const platform::native_view listed_name = names.substr(start, listed.ends[i] - start);
    if (listed_name == name) {
      return listed_entry{true, listed.types[i]};
    }
    alike = alike || same_but_case(listed_name);
    start = listed.ends[i];
  }
  if (alike) {
    return std::nullopt;
  }
  return listed_entry{};
}

read_ahead::read_ahead(string_type root, skips skip, std::vector<string_type> look_for)
    : skip_(std::move(skip)),
      look_for_(std::move(look_for)),
      promised_{root},
      thread_([this, root = std::move(root)]() mutable { run(std::move(root)); }) {}

read_ahead::~read_ahead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::optional<listed_names> read_ahead::take(platform::native_view where) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (promised_.count(string_type(where)) == 0) {
    return std::nullopt;
  }
  for (;;) {
    while (!ready_.empty()) {
      listed_names front = std::move(ready_.front());
      ready_.pop_front();
      ready_names_ -= front.types.size();
      promised_.erase(front.where);
      if (lister_waits_ && ready_names_ <= names_to_resume) {
        changed_.notify_all();
      }
      if (front.where == where) {
        return front;
      }
    }
    if (done_) {
      return std::nullopt;
    }
    walk_waits_ = true;
    changed_.wait(lock);
    walk_waits_ = false;
  }
}

void read_ahead::leave_out(platform::native_view where) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!done_) {
    left_out_.emplace_back(where);
  }
}

void read_ahead::run(string_type root) {
  // A failure here (memory, a query that throws) ends the reading ahead:
  // the walk then lists the folders still to come itself.
  try {
    list_all(std::move(root));
  } catch (...) {
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  changed_.notify_all();
}

void read_ahead::list_all(string_type root) {
  // The walk's own order: a folder's subfolders go on the stack in the
  // listing's order and the last one is listed next.
  std::vector<string_type> stack;
  stack.push_back(std::move(root));
  // What the walk left out (leave_out), as this thread last took it over,
  // and the folders passed over for it since: promised no more.
  folder_set left_out;
  std::vector<string_type> passed_over;
  bool first = true;
  while (!stack.empty()) {
    listed_names out;
    out.where = std::move(stack.back());
    stack.pop_back();
    if (at_or_below(out.where, left_out)) {
      passed_over.push_back(std::move(out.where));
      continue;
    }
    const std::size_t first_child = stack.size();
    bool holds_skipped = false;
    {
      platform::folder_listing listing{std::filesystem::path(out.where)};
      out.opened = listing.is_open();
      while (listing.next()) {
        const platform::native_view name = listing.name();
        // A name the walk passes over is listed all the same: the walk
        // tells from it that the folder holds a repository.
        const bool skipped = skip_.name && skip_.name(name);
        holds_skipped = holds_skipped || skipped;
        platform::entry_type type = listing.type();
        if (type == platform::entry_type::unknown) {
          type = listing.queries().type_of(
              std::filesystem::path(platform::join_name(out.where, name)));
        }
        out.names.append(name);
        out.ends.push_back(out.names.size());
        out.types.push_back(type);
        if (type == platform::entry_type::directory && !skipped) {
          stack.push_back(platform::join_name(out.where, name));
        }
      }
      out.error = listing.error();
      // Asked in the open folder, so that this thread bears the cost.
      for (const string_type& name : look_for_) {
        const std::filesystem::path file(platform::join_name(out.where, name));
        signed char found = -1;
        try {
          found = listing.queries().exists(file) ? 1 : 0;
        } catch (const std::filesystem::filesystem_error&) {
        }
        out.found.push_back(found);
      }
    }
    // A repository of its own is listed but not entered (the root, which is
    // the top of its work tree where it holds one, is entered).
    if (holds_skipped && !first && skip_.repository &&
        skip_.repository(std::filesystem::path(out.where))) {
      stack.resize(first_child);
    }
    const bool root_listed = first;
    first = false;
    std::unique_lock<std::mutex> lock(mutex_);
    if (ready_names_ >= most_names_ready) {
      lister_waits_ = true;
      changed_.wait(lock, [this] { return stop_ || ready_names_ <= names_to_resume; });
      lister_waits_ = false;
    }
    if (stop_) {
      return;
    }
    // What the walk will not enter is not listed: a folder at or below one
    // it left out is passed over when it comes off the stack, and this
    // listing is dropped, with its subfolders, where it lies there itself.
    for (string_type& folder : left_out_) {
      left_out.insert(std::move(folder));
    }
    left_out_.clear();
    for (const string_type& folder : passed_over) {
      promised_.erase(folder);
    }
    passed_over.clear();
    if (at_or_below(out.where, left_out)) {
      promised_.erase(out.where);
      stack.resize(first_child);
      continue;
    }
    ready_names_ += out.types.size();
    ready_.push_back(std::move(out));
    promised_.insert(stack.begin() + static_cast<std::ptrdiff_t>(first_child), stack.end());
    // The root's listing goes to the walk at once: its verdicts tell which
    // folders below the walk leaves out, before the lister reads them.
    if (walk_waits_ &&
        (root_listed || ready_.size() >= folders_to_wake || ready_names_ >= names_to_wake)) {
      changed_.notify_all();
    }
  }
}

signed char read_ahead::found(const listed_names& listed, platform::native_view name) const {
  for (std::size_t i = 0; i < look_for_.size() && i < listed.found.size(); ++i) {
    if (look_for_[i] == name) {
      return listed.found[i];
    }
  }
  return -1;
}

}  // namespace quorvel::filesystem
