#include "registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "compiler_locator.h"
#include "support.h"
#include "temp_home.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const RegistryStore& store, const std::string& key, const std::string& name) {
  return store.read(key, name);
}

int Mode(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

}  // namespace

TEST(RegistryStore, KeyPathsWithAndWithoutSeparatorsNameTheSameKey) {
  const std::pair<const char*, const char*> cases[] = {
      {"Software\\Quorlin", "Software\\Quorlin"},   {"\\Software\\Quorlin\\", "Software\\Quorlin"},
      {"/Software/Quorlin/", "Software\\Quorlin"},  {"Software\\\\Quorlin", "Software\\Quorlin"},
      {"\\", ""},                                    {"", ""},
  };
  for (const auto& [path, normal] : cases) EXPECT_EQ(NormalizeRegistryKeyPath(path), normal) << path;

  TempHome home;
  RegistryStore store(home.path("store.json"));
  ASSERT_TRUE(store.write("\\Software\\Quorlin\\", "LastProject", "it's \"mine\"\\\n"));
  EXPECT_EQ(Read(store, "Software\\Quorlin", "LastProject"), "it's \"mine\"\\\n");
  EXPECT_EQ(Read(store, "Software/Quorlin", "LastProject"), "it's \"mine\"\\\n");
  EXPECT_EQ(Read(RegistryStore(home.path("store.json")), "Software\\Quorlin\\", "LastProject"), "it's \"mine\"\\\n");
}

TEST(RegistryStore, ValuesRoundTripAndDeletingAKeyTakesWhatIsBelowIt) {
  TempHome home;
  RegistryStore store(home.path("config/quorlin/registry.json"));   // the folder is made on the first write
  ASSERT_TRUE(store.write("Software\\Quorlin", "", "default"));
  ASSERT_TRUE(store.write("Software\\Quorlin", "Name", "first"));
  ASSERT_TRUE(store.write("Software\\Quorlin", "Name", "second"));
  ASSERT_TRUE(store.write("Software\\Quorlin\\Assistant", "Key", "secret"));
  ASSERT_TRUE(store.write("Software\\Quorlin2", "Name", "sibling"));
  EXPECT_EQ(Read(store, "Software\\Quorlin", ""), "default");
  EXPECT_EQ(Read(store, "Software\\Quorlin", "Name"), "second");
  EXPECT_EQ(Read(store, "Software\\Quorlin", "Missing"), "");
  EXPECT_EQ(Read(store, "Software\\Missing", "Name"), "");

  ASSERT_TRUE(store.remove_key("\\Software\\Quorlin\\"));
  EXPECT_EQ(Read(store, "Software\\Quorlin", "Name"), "");
  EXPECT_EQ(Read(store, "Software\\Quorlin\\Assistant", "Key"), "");
  EXPECT_EQ(Read(store, "Software\\Quorlin2", "Name"), "sibling");

  // A missing key: nothing changes, not even the file's bytes.
  const std::string before = TempHome::read(store.path());
  EXPECT_TRUE(store.remove_key("Software\\Nowhere"));
  EXPECT_EQ(TempHome::read(store.path()), before);
  // An empty path names no key: the whole store is never removed.
  EXPECT_FALSE(store.remove_key("\\"));
  EXPECT_EQ(Read(store, "Software\\Quorlin2", "Name"), "sibling");
}

TEST(RegistryStore, TheFileIsPrivateAndReplacedWhole) {
  TempHome home;
  const std::string path = home.write("config/quorlin/registry.json", "{}");
  fs::permissions(path, fs::perms(0644));
  RegistryStore store(path);
  ASSERT_TRUE(store.write("Software\\Quorlin\\Assistant", "Key", "secret"));
  EXPECT_EQ(Mode(path), 0600);
  // Written through a temporary file renamed into place: nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), fs::directory_iterator()), 1);
}

TEST(RegistryStore, ACorruptFileIsKeptAsideReportedAndTheStoreStartsAfresh) {
  TempHome home;
  const std::string path = home.write("config/quorlin/registry.json", "{\"Software\\\\Quorlin\": {\"Last");
  RegistryStore store(path);
  EXPECT_EQ(Read(store, "Software\\Quorlin", "Last"), "");
  std::string aside;
  for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
    if (entry.path().filename().string().starts_with("registry.json.corrupt-")) aside = entry.path().string();
  ASSERT_FALSE(aside.empty());
  EXPECT_EQ(TempHome::read(aside), "{\"Software\\\\Quorlin\": {\"Last");
  EXPECT_NE(TempHome::read(HostLogPath()).find("kept as " + aside), std::string::npos);

  ASSERT_TRUE(store.write("Software\\Quorlin", "Last", "fresh"));
  EXPECT_EQ(Read(store, "Software\\Quorlin", "Last"), "fresh");
  EXPECT_EQ(TempHome::read(aside), "{\"Software\\\\Quorlin\": {\"Last");
}

TEST(RegistryStore, TheHostStoreLivesInTheConfigurationFolderAndMachineKeysReadEmpty) {
  TempHome home;
  RegistryWriteString("Software\\Quorlin", "LastProject", "Demo");
  EXPECT_EQ(RegistryStorePath(), home.path("config/quorlin/registry.json"));
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kCurrentUser, "Software\\Quorlin", "LastProject"), "Demo");
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kLocalMachine, "Software\\Quorlin", "LastProject"), "");
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kClassesRoot, "Software\\Quorlin", "LastProject", true), "");
  RegistryDeleteKey("Software");
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kCurrentUser, "Software\\Quorlin", "LastProject"), "");
  RegistryDeleteKey("Software\\Missing");   // reports nothing, changes nothing
}

TEST(CompilerLocator, TakesTheFirstCandidateThatHoldsTheCompilerProgram) {
  TempHome home;
  const auto install = [&](const std::string& folder) { home.write(folder + "/" + kCompilerProgram, "#!/bin/sh\n"); };
  install("env-home");
  install("path-home");
  install("fixed-b");
  home.write("empty-program/" + std::string(kCompilerProgram), "");      // an empty file is no program
  home.write("no-compiler/readme", "x");
  fs::create_directories(home.root() / "bin");
  fs::create_symlink(home.root() / "path-home" / kCompilerProgram, home.root() / "bin" / "pbcompiler");

  const std::string env = home.path("env-home"), path_var = "relative:" + home.path("bin") + ":/usr/bin";
  const std::vector<std::string> fixed = {home.path("fixed-a") + "/", home.path("fixed-b") + "/"};
  struct Case {
    std::string variable, path;
    std::vector<std::string> fixed;
    std::string found;
  } cases[] = {
      {env, path_var, fixed, home.path("env-home") + "/"},
      {home.path("no-compiler"), path_var, fixed, home.path("path-home") + "/"},   // skipped: no program
      {home.path("empty-program"), "", fixed, home.path("fixed-b") + "/"},
      {"relative/folder", "bin", fixed, home.path("fixed-b") + "/"},              // relative places are not trusted
      {"", "", {home.path("fixed-a")}, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LocateCompilerHome(CompilerSearch{c.variable, c.path, c.fixed}), c.found) << c.variable << " | " << c.path;
}
