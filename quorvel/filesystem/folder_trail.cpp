#include "quorvel/filesystem/folder_trail.h"

#include <utility>

namespace quorvel::filesystem {

void folder_trail::start(bool loops, bool one_device, const std::filesystem::path& root) {
  loops_ = loops;
  one_device_ = one_device;
  waiting_.clear();
  listing_.reset();
  if (active()) {
    // A root that cannot be told is one that cannot be listed either.
    std::error_code error;
    waiting_.push_back(std::make_shared<const step>(step{platform::identify(root, error), {}}));
    root_device_ = waiting_.back()->identity.device;
  }
}

folder_trail::handle folder_trail::admit(const std::filesystem::path& folder,
                                         const platform::folder_queries& queries,
                                         std::error_code& why) const {
  const platform::file_identity identity = queries.identify(folder, why);
  if (why || (one_device_ && identity.device != root_device_)) {
    return nullptr;
  }
  // Through a followed link, a real folder too may be one on the way down
  // (a link to a folder above the root leads to the root again).
  if (loops_) {
    for (const step* above = listing_.get(); above != nullptr; above = above->up.get()) {
      if (above->identity == identity) {
        why = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        return nullptr;
      }
    }
  }
  return std::make_shared<const step>(step{identity, listing_});
}

void folder_trail::take() {
  if (!waiting_.empty()) {
    listing_ = std::move(waiting_.back());
    waiting_.pop_back();
  }
}

}  // namespace quorvel::filesystem
