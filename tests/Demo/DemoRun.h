#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Common/Quaternion.h"
#include "Common/Vector3.h"

namespace qel::test {

/// Rows of a CSV file the demo wrote (poses, frame times) without its header line, split
/// at commas.
inline std::vector<std::vector<std::string>> readCsv(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line, field;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    rows.emplace_back();
    while (std::getline(fields, field, ',')) rows.back().push_back(field);
  }
  return rows;
}

/// The eye position and orientation (x, y, z, w) written in seven fields of a poses.csv
/// row from `first` on.
inline std::pair<Vector3<double>, Quaternion> poseFields(const std::vector<std::string>& row, std::size_t first) {
  const auto f = [&](std::size_t i) { return std::stod(row.at(first + i)); };
  return {{f(0), f(1), f(2)}, {f(3), f(4), f(5), f(6)}};
}

/// An empty folder of its own for one test's files.
inline std::filesystem::path freshFolder(const std::string& name) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("qelDemoTests-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

/// Whether the virtual X server the windowed runs need is installed (Debian package xvfb).
inline bool hasXvfb() {
  return std::system("command -v xvfb-run >/dev/null 2>&1 && command -v Xvfb >/dev/null 2>&1") == 0;
}

// Under the address sanitizer the GL driver's and the toolkit's process-lifetime
// allocations would read as leaks at exit; the demo's own checks are what count here.
inline const std::string kNoLeakCheck = "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" ";
inline const std::string kVirtualScreen = "xvfb-run -a -s '-screen 0 1280x800x24' ";

/// Runs the demo program with `args` behind `prefix` (a display or its absence); returns
/// its exit status and puts its combined output in `output`.
inline int runDemo(const std::string& prefix, const std::string& args, const std::filesystem::path& log,
                   std::string& output) {
  const std::string command = kNoLeakCheck + prefix + quoted(QEL_DEMO_EXE) + " " + args;
  const int status = std::system((command + " >" + quoted(log) + " 2>&1").c_str());
  std::ifstream in(log);
  output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
}

}  // namespace qel::test
