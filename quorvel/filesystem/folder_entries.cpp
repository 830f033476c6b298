#include "quorvel/filesystem/folder_entries.h"

#include <utility>

#include "quorvel/platform/native_path.h"

namespace quorvel::filesystem {
namespace {

using char_type = std::filesystem::path::value_type;

// The name after the last separator of a path the standard listing made.
platform::native_view last_name(platform::native_view path) {
  std::size_t name = path.size();
  while (name > 0 && path[name - 1] != char_type('/') &&
         !(platform::backslash_is_separator && path[name - 1] == char_type('\\'))) {
    --name;
  }
  return path.substr(name);
}

}  // namespace

folder_entries::folder_entries(const std::filesystem::path& where, listed_names listed)
    : route_(route::ahead), opened_(listed.opened), listed_(std::move(listed)) {
  queries_.emplace(where);
}

folder_entries::folder_entries(const std::filesystem::path& where, bool standard)
    : route_(standard && platform::fits_whole(where) ? route::standard : route::own) {
  if (route_ == route::standard) {
    queries_.emplace(where);
    iterator_ = std::filesystem::directory_iterator(where, error_);
    opened_ = !error_;
  } else {
    own_.emplace(where);
    opened_ = own_->is_open();
  }
}

bool folder_entries::next() {
  switch (route_) {
    case route::ahead: {
      if (next_index_ >= listed_->ends.size()) {
        return false;
      }
      const platform::native_view all = listed_->names;
      const std::size_t end = listed_->ends[next_index_];
      name_ = all.substr(name_start_, end - name_start_);
      type_ = listed_->types[next_index_];
      name_start_ = end;
      ++next_index_;
      return true;
    }
    case route::standard: {
      if (started_ && !error_) {
        iterator_.increment(error_);
      }
      started_ = true;
      if (error_ || iterator_ == std::filesystem::directory_iterator()) {
        return false;
      }
      name_ = last_name(iterator_->path().native());
      // The record takes its type from the entry's cached status.
      type_ = platform::entry_type::unknown;
      return true;
    }
    case route::own:
      if (!own_->next()) {
        return false;
      }
      name_ = own_->name();
      type_ = own_->type();
      return true;
  }
  return false;
}

std::error_code folder_entries::error() const {
  switch (route_) {
    case route::ahead:
      return listed_->error;
    case route::standard:
      return error_;
    case route::own:
      return own_->error();
  }
  return {};
}

const std::filesystem::directory_entry* folder_entries::standard_entry() const {
  return route_ == route::standard ? &*iterator_ : nullptr;
}

const platform::folder_queries& folder_entries::queries() const {
  return route_ == route::own ? own_->queries() : *queries_;
}

const listed_names* folder_entries::listed() const {
  return route_ == route::ahead && listed_->opened ? &*listed_ : nullptr;
}

folder_view::folder_view(const std::filesystem::path& folder,
                         const std::set<std::filesystem::path>& names,
                         const folder_entries* entries, const read_ahead* lister)
    : folder_(folder),
      names_(names),
      entries_(entries),
      lister_(lister),
      where_(platform::listing_path(folder)) {}

std::filesystem::path folder_view::file(const std::filesystem::path& name) const {
  return where_ / name;
}

const platform::folder_queries* folder_view::through(const std::filesystem::path& path) const {
  return entries_ != nullptr && !platform::fits_whole(path) ? &entries_->queries() : nullptr;
}

bool folder_view::exists(const std::filesystem::path& name) const {
  const listed_names* listed = entries_ != nullptr ? entries_->listed() : nullptr;
  if (listed != nullptr && lister_ != nullptr) {
    // The lister asked the same question in the open folder; where it
    // failed, it is asked again here and gives the error.
    const signed char found = lister_->found(*listed, name.native());
    if (found >= 0) {
      return found == 1;
    }
  }
  const std::filesystem::path path = file(name);
  return entries_ != nullptr ? entries_->queries().exists(path) : std::filesystem::exists(path);
}

bool folder_view::may_hold(const std::filesystem::path& name) const {
  const listed_names* listed = entries_ != nullptr ? entries_->listed() : nullptr;
  if (listed == nullptr) {
    return true;
  }
  const auto seen = look_up(*listed, name.native());
  return !seen || seen->present;
}

bool folder_view::is_regular_file(const std::filesystem::path& name) const {
  const listed_names* listed = entries_ != nullptr ? entries_->listed() : nullptr;
  if (listed != nullptr) {
    // A name the listing does not hold is not there; one it told as another
    // type than a link (or a type it could not tell) is that type.
    if (const auto seen = look_up(*listed, name.native())) {
      if (!seen->present) {
        return false;
      }
      if (seen->type != platform::entry_type::symlink &&
          seen->type != platform::entry_type::unknown) {
        return seen->type == platform::entry_type::regular;
      }
    }
  }
  const std::filesystem::path path = file(name);
  if (const platform::folder_queries* open = through(path)) {
    return open->type_of(path) == platform::entry_type::regular;
  }
  std::error_code error;
  return std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::regular;
}

}  // namespace quorvel::filesystem
