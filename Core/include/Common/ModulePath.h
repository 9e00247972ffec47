#pragma once

#include <string>

namespace qel {

/// The directory (absolute, no trailing separator) of the loaded shared library named
/// `moduleName`, e.g. "qelCommon" for libqelCommon.so. Empty if no such library is
/// loaded in the process.
std::string getModulePath(const std::string& moduleName);

/// Turns '\' separators into '/'. Paths built with either separator must reach the same
/// file; the host's file access runs every path through this.
std::string normalizePath(std::string path);

}  // namespace qel
