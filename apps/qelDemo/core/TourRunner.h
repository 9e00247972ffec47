#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Viewer/InputScript.h"

namespace qel::demo {

struct DemoHost;
class FrameMeter;

/// Checks before a tour starts that `dir` can take its files: creates it if needed and
/// writes and removes a probe file. Throws std::runtime_error naming the folder.
void prepareOutputFolder(const std::filesystem::path& dir);

/// A screenshot file name for a mark: letters, digits, '-' and '_' kept, anything else
/// turned into '_' (a mark name cannot escape the output folder).
std::string markFileName(const std::string& mark);

/// Plays an input script into the demo's host, frame by frame, under the manual clock:
/// writes `poses.csv` (one row per frame, see PoseCsvWriter), `marks.csv`
/// (`mark,frame,file`) and `picks.csv` (`frame,mode,count,objects`: one row per pick
/// the scene picker reported, in the frame it happened; mode `click` or `rectangle`,
/// the objects as `PickerKeys` describes them, separated by `;`) into the output
/// folder, and asks for a screenshot at each mark.
class TourRunner {
 public:
  struct Hooks {
    /// Called before each frame; false ends the tour early (the window was closed).
    std::function<bool()> beforeFrame;
    /// Writes a screenshot of the current state to the file.
    std::function<void(const std::string& mark, const std::filesystem::path& file)> capture;
  };
  struct Result {
    std::uint64_t frames = 0;
    /// Screenshots taken: mark name, frames played when it was taken, file.
    struct Mark {
      std::string name;
      std::uint64_t frame = 0;
      std::filesystem::path file;
    };
    std::vector<Mark> marks;
    bool interrupted = false;
  };

  TourRunner(DemoHost& host, FrameMeter& meter, std::filesystem::path outputFolder);

  /// Switches the process clock to manual time if it is not already. Throws
  /// std::runtime_error when an output file cannot be written.
  Result run(const InputScript& script, const Hooks& hooks);

 private:
  DemoHost& host_;
  FrameMeter& meter_;
  std::filesystem::path out_;
};

}  // namespace qel::demo
