#pragma once
// The folders a walk has come through, told apart by their identity on the
// system (platform/file_identity.h): so that a walk that follows links does
// not go round a loop, and one that keeps to a file system stops where
// another begins. Only walks that ask for either keep a trail; it costs one
// query per folder entered.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "quorvel/platform/file_identity.h"
#include "quorvel/platform/file_info.h"

namespace quorvel::filesystem {

class folder_trail {
 public:
  // One folder to be entered: its identity and the folder it was reached
  // from, whose chain is shared by its siblings.
  struct step {
    platform::file_identity identity;
    std::shared_ptr<const step> up;
  };
  using handle = std::shared_ptr<const step>;

  // Keeps a trail where `loops` (a folder on the way down is not entered
  // again) or `one_device` (a folder on another device than the root is not
  // entered) asks for one, starting at `root` (a listing path), the first
  // folder the walk takes. Without either, the trail keeps nothing.
  void start(bool loops, bool one_device, const std::filesystem::path& root);
  bool active() const { return loops_ || one_device_; }

  // Whether the walk may enter `folder`, an entry of the folder it lists:
  // its step where it may, null where not. `why` is set where the walk is
  // to report it: a loop (too_many_symbolic_link_levels), or the system's
  // reason where the folder cannot be told (nor listed).
  handle admit(const std::filesystem::path& folder, const platform::folder_queries& queries,
               std::error_code& why) const;
  // The walk will enter the folder of `admitted`, after the others pushed
  // before it (the walk's stack: the last pushed is taken first).
  void push(handle admitted) { waiting_.push_back(std::move(admitted)); }
  // The walk takes the next folder to list.
  void take();

 private:
  bool loops_ = false;
  bool one_device_ = false;
  std::uint64_t root_device_ = 0;
  std::vector<handle> waiting_;  // in step with the walk's folders
  handle listing_;               // the folder being listed, and its way down
};

}  // namespace quorvel::filesystem
