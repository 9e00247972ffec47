#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace qel::test
