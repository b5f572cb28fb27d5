// A home of its own for one test: HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point into a fresh
// temporary folder (removed afterwards), and the projects folder is <root>/projects/ (not the
// default location, so documents sit beside their project folders).
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shared_state.h"

class TempHome {
public:
  TempHome() {
    // A parameterised test's name holds a '/': kept in one folder name, so removing the root removes all.
    std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
      if (c == '/') c = '_';
    root_ = std::filesystem::temp_directory_path() / ("quorlin-test-" + std::to_string(getpid()) + "-" + test);
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "projects");
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    HostState().set_projects_folder(projects());
    HostState().set_current_project("");
  }
  ~TempHome() { std::filesystem::remove_all(root_); }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::string projects() const { return (root_ / "projects").string() + "/"; }
  std::string path(const std::string& relative) const { return (root_ / relative).string(); }

  // Writes a file below the root (folders made as needed) and returns its path.
  std::string write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path p = root_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

private:
  std::filesystem::path root_;
};
