#include "project_zip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "shared_state.h"
#include "temp_home.h"
#include "zip_fixtures.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDocument = R"({"version":2,"elements":[]})";

enum class Layout { kDefault, kOther };

// A projects folder of either layout in a home of its own.
class ProjectZip : public testing::TestWithParam<Layout> {
protected:
  ProjectZip() {
    place_.folder = home_.projects();
    place_.default_layout = GetParam() == Layout::kDefault;
  }

  std::string projects() const { return place_.folder; }
  void write(const std::string& rel, const std::string& bytes) const { home_.write("projects/" + rel, bytes); }
  void write_document(const std::string& name, const std::string& bytes = kDocument) const {
    write(place_.default_layout ? name + "/" + name + ".qui" : name + ".qui", bytes);
  }

  // The whole import of a zip as the command runs it: scan, unpack into a work folder, install.
  std::string import(const std::string& zip, const ZipLimits& limits = {}) {
    const ZipScan scan = ScanProjectZip(zip);
    if (!scan.error.empty()) return scan.error;
    if (scan.name.empty() || !scan.has_document) return "no project";
    const std::string work = MakeWorkFolder(projects(), "import");
    ZipUnpack unpacked = UnpackProjectZip(zip, scan.name, work, limits);
    skipped_ = unpacked.skipped;
    std::string error = unpacked.error.empty() ? InstallUnpackedProject(place_, scan.name, work) : unpacked.error;
    if (!error.empty()) fs::remove_all(work);
    return error;
  }

  TempHome home_;
  ProjectsPlace place_;
  uint64_t skipped_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Layouts, ProjectZip, testing::Values(Layout::kDefault, Layout::kOther),
                         [](const auto& info) { return info.param == Layout::kDefault ? "Default" : "Other"; });

}  // namespace

TEST_P(ProjectZip, ExportPacksTheDocumentTwiceThenEveryRegularFileInNameOrder) {
  write_document("Demo");
  write("Demo/images/b.png", "png");
  write("Demo/.thumbnail.png", "thumb");
  write("Demo/sub/deep/a.bin", zipfix::Binary(3000));
  write("Demo/sub/Demo.qui", "an old copy of the document");          // never packed by the walk
  write("Demo/images/.ql-upload-a1B2c3.qltmp", "half an upload");    // nor an upload on its way
  fs::create_directories(projects() + "Demo/empty");                 // no entry for an empty folder
  fs::create_symlink(home_.path("outside"), projects() + "Demo/link");
  home_.write("outside/secret.txt", "secret");
  const std::string zip = home_.path("out/Demo.pqui");
  fs::create_directories(home_.path("out"));

  ASSERT_EQ(WriteProjectZip(zip, "Demo", ExportDocumentOf(place_, "Demo"), place_.folder_of("Demo")), "");
  EXPECT_EQ(zipfix::Entries(zip), (std::vector<std::string>{"f Demo.qui", "f Demo/Demo.qui", "f Demo/.thumbnail.png",
                                                            "f Demo/images/b.png", "f Demo/sub/deep/a.bin"}));
  // Only the zip is left in the folder: its temporary file was renamed into place.
  EXPECT_EQ(zipfix::Tree(home_.path("out")).size(), 1u);
}

TEST_P(ProjectZip, ExportThenImportGivesTheSameFilesByteForByte) {
  write_document("Démo 1");
  write("Démo 1/.thumbnail.png", zipfix::Binary(700));
  write("Démo 1/images/a b.png", zipfix::Binary(256));
  write("Démo 1/Videos/clip.mp4", zipfix::Binary(300000));
  write("Démo 1/Libraries/tailwind.min.js", std::string(50000, 'x'));
  write("Démo 1/notes/ünï/Ω.txt", "utf-8 names");
  write("Other.qui", "another project is left alone");
  const auto before = zipfix::Files(zipfix::Tree(projects()));
  const std::string zip = home_.path("Démo 1.pqui");
  ASSERT_EQ(WriteProjectZip(zip, "Démo 1", ExportDocumentOf(place_, "Démo 1"), place_.folder_of("Démo 1")), "");

  fs::remove_all(projects() + "Démo 1");
  fs::remove(projects() + "Démo 1.qui");
  ASSERT_EQ(import(zip), "");
  EXPECT_EQ(zipfix::Files(zipfix::Tree(projects())), before);
  EXPECT_EQ(skipped_, 0u);
}

TEST_P(ProjectZip, ExportFindsADocumentLeftInTheOtherLayoutsPlace) {
  const std::string other_place = place_.default_layout ? "Old.qui" : "Old/Old.qui";
  write(other_place, kDocument);
  EXPECT_EQ(ExportDocumentOf(place_, "Old"), projects() + other_place);
  write("Empty.qui", "");
  write("Empty/Empty.qui", "");
  EXPECT_EQ(ExportDocumentOf(place_, "Empty"), "");
  EXPECT_EQ(ExportDocumentOf(place_, "Missing"), "");
}

TEST_P(ProjectZip, AFailedExportLeavesAnEarlierZipAsItWas) {
  const std::string zip = home_.write("Demo.pqui", "the earlier zip");
  EXPECT_NE(WriteProjectZip(zip, "Demo", projects() + "missing.qui", place_.folder_of("Demo")), "");
  EXPECT_EQ(zipfix::Tree(home_.root() / "Demo.pqui").size(), 0u);
  EXPECT_EQ(TempHome::read(zip), "the earlier zip");
  EXPECT_EQ(zipfix::Files(zipfix::Tree(home_.root())).size(), 1u) << "no temporary file is left";
}

TEST_P(ProjectZip, ImportReplacesAnExistingProjectWholeAndKeepsItsNeighbours) {
  write_document("Demo", R"({"version":2,"old":true})");
  write("Demo/images/old-only.png", "old");
  write("Demo.fnjs/n1.js", "code of the old project's flow");
  write("Keep/Keep.qui", kDocument);
  const std::string zip = home_.path("new.zip");
  zipfix::Write(zip, {{"Demo.qui", 'f', kDocument}, {"Demo/images/new.png", 'f', "new"}});
  ASSERT_EQ(import(zip), "");
  const auto tree = zipfix::Tree(projects());
  EXPECT_EQ(tree.count("Demo/images/old-only.png"), 0u);
  EXPECT_EQ(tree.at("Demo/images/new.png"), "new");
  EXPECT_EQ(tree.at(place_.default_layout ? "Demo/Demo.qui" : "Demo.qui"), kDocument);
  EXPECT_EQ(tree.at("Demo.fnjs/n1.js"), "code of the old project's flow");
  EXPECT_EQ(tree.at("Keep/Keep.qui"), kDocument);
  for (const auto& [path, bytes] : tree) EXPECT_FALSE(path.starts_with(kHostWorkFolderPrefix)) << path;
}

// Zips that try to write elsewhere, name no project, or name one that cannot be. Each leaves every
// byte outside the project it imports as it was; the ones that fail leave the old project too.
TEST_P(ProjectZip, HostileZipsNeverWriteOutsideTheProjectNorDeleteOnFailure) {
  const std::string outside = home_.path("outside/");
  struct Case {
    const char* what;
    std::vector<zipfix::Item> items;
    bool imports;                 // the project N is replaced
    std::map<std::string, std::string> files;   // files of N afterwards (when imported), besides its document
  };
  const std::string abs_target = home_.path("outside/abs.txt");
  const Case cases[] = {
      {"parent steps", {{"N.qui", 'f', kDocument}, {"../x", 'f', "x"}, {"N/../../x", 'f', "x"}, {"N/a/../../../x", 'f', "x"},
                        {"N/ok.txt", 'f', "ok"}}, true, {{"ok.txt", "ok"}}},
      {"absolute names", {{"N.qui", 'f', kDocument}, {abs_target, 'f', "x"}, {"/N/x", 'f', "x"}}, true, {}},
      {"a link, then a file through it", {{"N.qui", 'f', kDocument}, {"N/link", 'l', outside}, {"N/link/x.txt", 'f', "x"}},
       true, {{"link/x.txt", "x"}}},
      {"a link to a file", {{"N.qui", 'f', kDocument}, {"N/passwd", 'l', "/etc/passwd"}}, true, {}},
      {"backslashes and empty segments", {{"N.qui", 'f', kDocument}, {"N\\..\\..\\x", 'f', "x"}, {"N//x", 'f', "x"},
                                          {"N/./x", 'f', "x"}}, true, {}},
      {"other projects' files", {{"N.qui", 'f', kDocument}, {"Other/x", 'f', "x"}, {"Other.qui", 'f', "y"}}, true, {}},
      {"a control character", {{"N.qui", 'f', kDocument}, {"N/a\nb", 'f', "x"}}, true, {}},
      {"the document is a link", {{"N.qui", 'l', "/etc/passwd"}}, false, {}},
      {"the document only in another folder", {{"X/N.qui", 'f', kDocument}, {"X/img.png", 'f', "x"}}, false, {}},
      {"a damaged document", {{"N.qui", 'f', "{not json"}, {"N/a.txt", 'f', "a"}}, false, {}},
      {"a name of dots", {{"...qui", 'f', kDocument}, {"../x", 'f', "x"}}, false, {}},
      {"an empty name", {{"x/.qui", 'f', kDocument}}, false, {}},
      {"a name of the host's work folders", {{".quorlin-import-x.qui", 'f', kDocument}}, false, {}},
      {"no document at all", {{"N/a.txt", 'f', "a"}}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(home_.root());
    fs::create_directories(projects());
    home_.write("outside/keep.txt", "keep");
    write_document("N", R"({"version":2,"old":true})");
    write("N/images/old.png", "old");
    write("Neighbour.qui", "n");
    const auto before = zipfix::Tree(home_.root());
    const std::string zip = home_.write("in/hostile.zip", "");
    zipfix::Write(zip, c.items);

    const std::string error = import(zip);
    EXPECT_EQ(error.empty(), c.imports) << error;
    auto after = zipfix::Tree(home_.root());
    after.erase("in/hostile.zip");
    after.erase("in");
    if (!c.imports) {
      EXPECT_EQ(after, before);
      continue;
    }
    // Everything but project N is as it was; N holds exactly its document and the expected files.
    const auto of_n = [](const std::string& path) {
      return path == "projects/N" || path.starts_with("projects/N/") || path == "projects/N.qui";
    };
    std::map<std::string, std::string> others, before_others, expected = c.files;
    for (const auto& [path, bytes] : after)
      if (!of_n(path)) others[path] = bytes;
    for (const auto& [path, bytes] : before)
      if (!of_n(path)) before_others[path] = bytes;
    EXPECT_EQ(others, before_others) << "only project N changed";
    if (place_.default_layout) expected["N.qui"] = kDocument;
    else EXPECT_EQ(TempHome::read(projects() + "N.qui"), kDocument);
    EXPECT_EQ(zipfix::Files(zipfix::Tree(projects() + "N")), expected);
    EXPECT_EQ(zipfix::Files(zipfix::Tree(outside)), (std::map<std::string, std::string>{{"keep.txt", "keep"}}));
  }
}

TEST_P(ProjectZip, LimitsRefuseAZipBeforeAnythingIsReplaced) {
  write_document("N", R"({"version":2,"old":true})");
  const auto before = zipfix::Tree(projects());
  const std::string zip = home_.path("big.zip");
  zipfix::Write(zip, {{"N.qui", 'f', kDocument}, {"N/a.bin", 'f', std::string(4000, 'a')}, {"N/b.bin", 'f', std::string(4000, 'b')}});
  const ZipLimits limits[] = {{.entry_bytes = 3999}, {.total_bytes = 8000}, {.entries = 2}};
  for (const ZipLimits& limit : limits) {
    EXPECT_NE(import(zip, limit), "");
    EXPECT_EQ(zipfix::Tree(projects()), before);
  }
  EXPECT_EQ(import(zip, {.entry_bytes = 4000, .total_bytes = 8000 + std::string_view(kDocument).size(), .entries = 3}), "");
}

TEST(ProjectZipScan, TheRootDocumentNamesTheProjectElseTheFirstOneInAFolder) {
  TempHome home;
  const struct {
    std::vector<zipfix::Item> items;
    std::string name;
    bool has_document;
  } cases[] = {
      {{{"A/B.qui", 'f', "{}"}, {"C.qui", 'f', "{}"}, {"D.qui", 'f', "{}"}}, "C", true},
      {{{"A/B.qui", 'f', "{}"}, {"X/C.qui", 'f', "{}"}}, "B", false},
      {{{"B/B.qui", 'f', "{}"}}, "B", true},
      {{{"it's \"mine\".qui", 'f', "{}"}}, "it's \"mine\"", true},
      {{{"Ünï.qui", 'f', "{}"}}, "Ünï", true},
      {{{"a.txt", 'f', ""}, {"b/", 'd', ""}}, "", false},
      {{{".qui", 'f', "{}"}}, "", false},
      {{{"...qui", 'f', "{}"}}, "", false},
      {{{"a\\b.qui", 'f', "{}"}}, "b", false},   // read as a folder a, as the zip's maker meant
  };
  for (const auto& c : cases) {
    const std::string zip = home.path("scan.zip");
    zipfix::Write(zip, c.items);
    const ZipScan scan = ScanProjectZip(zip);
    EXPECT_EQ(scan.error, "") << c.items[0].name;
    EXPECT_EQ(scan.name, c.name) << c.items[0].name;
    EXPECT_EQ(scan.has_document, c.has_document) << c.items[0].name;
  }
  EXPECT_NE(ScanProjectZip(home.write("not-a.zip", "PK\3\4 but nothing else")).error, "");
  EXPECT_NE(ScanProjectZip(home.path("missing.zip")).error, "");
}

TEST(ProjectZipNames, Utf8IsCheckedStrictly) {
  const std::pair<std::string, bool> cases[] = {
      {"plain", true}, {"Ünï cödé Ω 漢字 😀", true}, {"\xC3", false}, {"\xC0\xAF", false},   // overlong "/"
      {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false}, {"\xFF", false}, {"a\x80", false},
  };
  for (const auto& [text, ok] : cases) EXPECT_EQ(IsUtf8(text), ok) << text;
}

// Zips made by other programs: Info-ZIP's zip and Python's zipfile, with names outside ASCII.
TEST_P(ProjectZip, ZipsMadeByZipAndByPythonImport) {
  home_.write("made/Proj.qui", kDocument);
  home_.write("made/Proj/images/Ünï cödé.png", zipfix::Binary(5000));
  home_.write("made/Proj/Libraries/lib.js", "js");
  const std::map<std::string, std::string> expected = {
      {"images/Ünï cödé.png", zipfix::Binary(5000)}, {"Libraries/lib.js", "js"}};
  const std::string made = home_.path("made");
  const std::string commands[] = {
      "cd '" + made + "' && zip -q -r ../by-zip.zip Proj.qui Proj",
      "cd '" + made + "' && python3 -c \"import zipfile, os\nwith zipfile.ZipFile('../by-python.zip', 'w', "
                      "zipfile.ZIP_DEFLATED) as z:\n  for root, dirs, files in os.walk('.'):\n    for f in files:\n"
                      "      p = os.path.join(root, f)[2:]\n      z.write(p, p)\"",
  };
  for (const std::string& command : commands) ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* zip : {"by-zip.zip", "by-python.zip"}) {
    SCOPED_TRACE(zip);
    fs::remove_all(projects());
    fs::create_directories(projects());
    ASSERT_EQ(import(home_.path(zip)), "");
    auto files = zipfix::Files(zipfix::Tree(projects() + "Proj"));
    files.erase("Proj.qui");
    EXPECT_EQ(files, expected);
    EXPECT_EQ(TempHome::read(place_.document_of("Proj")), kDocument);
  }
}

TEST_P(ProjectZip, OurZipsReadBackInPythonWithTheirNames) {
  write_document("Ünï");
  write("Ünï/images/Ω.png", "x");
  const std::string zip = home_.path("u.pqui");
  ASSERT_EQ(WriteProjectZip(zip, "Ünï", ExportDocumentOf(place_, "Ünï"), place_.folder_of("Ünï")), "");
  const std::string listing = home_.path("names.txt");
  const std::string command = "python3 -c \"import zipfile, sys\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
                              "open(sys.argv[2], 'w', encoding='utf-8').write('|'.join(z.namelist()))\" '" +
                              zip + "' '" + listing + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(TempHome::read(listing), "Ünï.qui|Ünï/Ünï.qui|Ünï/images/Ω.png");
}
