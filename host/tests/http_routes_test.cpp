// The routes of the local server against a real server thread, in both projects-folder layouts:
// each route's work, its refusals, and a traversal table that every path-taking route must pass with
// nothing read or written outside its folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <map>
#include <set>
#include <thread>

#include "file_branch.h"
#include "http_fixture.h"
#include "rt/icon_slot.h"
#include "shared_state.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class Routes : public LoopbackServer, public ::testing::WithParamInterface<LoopbackServer::Layout> {
protected:
  void SetUp() override {
    layout_ = GetParam();
    MakeFolders();
    Write(program_ + "loader/quorlin_loader", "LOADER BYTES");
    Write(program_ + "Images/logo.png", "PROGRAM LOGO");
    Write(projects_ + "Demo/images/photo.png", "PHOTO");
    Write(projects_ + "Demo/images/empty.png", "");
    Write(ProjectDocumentPath("Demo"), "{\"version\":2}");
    Write(root_ + "/outside/secret.txt", "SECRET");
    OpenProject("Demo");
    Start();
  }

  std::optional<Reply> Send(const std::string& request) { return Fetch(request); }
  std::optional<Reply> Upload(const std::string& target, const std::string& body) {
    return Fetch(Post(target, body, kTokenLine));
  }
  std::optional<Reply> Query(const std::string& target) { return Fetch(Get(target, kTokenLine)); }

  bool Exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
  }

  // Temporary files of uploads left anywhere below the root.
  int LeftoverTemporaryFiles() {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root_))
      if (entry.path().filename().string().starts_with(".ql-upload-")) ++count;
    return count;
  }
};

INSTANTIATE_TEST_SUITE_P(Layouts, Routes,
                         ::testing::Values(LoopbackServer::Layout::Default, LoopbackServer::Layout::Other),
                         [](const auto& info) {
                           return info.param == LoopbackServer::Layout::Default ? "DefaultLocation"s : "OtherLocation"s;
                         });

TEST_P(Routes, SaveWritesTheDocumentWhereTheLayoutKeepsIt) {
  for (const auto& [encoded, name] : {std::pair{"Fresh"s, "Fresh"s}, {"Caf%C3%A9", "Caf\xC3\xA9"}, {"My+Project", "My Project"},
                                      {"O'Brien%20%22x%22", "O'Brien \"x\""}}) {
    const auto reply = Upload("/save/" + encoded, "{\"doc\":\"" + encoded + "\"}");
    ASSERT_TRUE(reply) << encoded;
    EXPECT_EQ(reply->status, 200) << encoded << ": " << reply->body;
    EXPECT_EQ(Read(ProjectDocumentPath(name)), "{\"doc\":\"" + encoded + "\"}") << encoded;
    // The default location keeps a folder per project; elsewhere the document alone is written.
    EXPECT_EQ(fs::is_directory(projects_ + name), layout_ == Layout::Default) << encoded;
  }
  // A second save replaces the document whole.
  ASSERT_EQ(Upload("/save/Fresh", "second")->status, 200);
  EXPECT_EQ(Read(ProjectDocumentPath("Fresh")), "second");
  EXPECT_EQ(LeftoverTemporaryFiles(), 0);
}

TEST_P(Routes, SaveWritesFilesOfTheProjectFolderAndFlowCodeFiles) {
  struct Row {
    std::string target;
    std::string path;  // below the projects folder
  };
  const Row rows[] = {
      {"/save/Demo/images/logo.png", "Demo/images/logo.png"},
      {"/save/Demo/Libraries%5Ctailwind.min.js", "Demo/Libraries/tailwind.min.js"},
      {"/save/Demo/Videos/clip%20one.mp4", "Demo/Videos/clip one.mp4"},
      {"/save/Demo.fnjs/node_17.js", "Demo.fnjs/node_17.js"},
      {"/save/Demo/Demo.pb", "Demo/Demo.pb"},
  };
  for (const Row& row : rows) {
    const auto reply = Upload(row.target, "bytes of " + row.path);
    ASSERT_TRUE(reply) << row.target;
    EXPECT_EQ(reply->status, 200) << row.target << ": " << reply->body;
    EXPECT_EQ(Read(projects_ + row.path), "bytes of " + row.path) << row.target;
  }
}

TEST_P(Routes, PreviewIsServedBackFromTheTemporaryFolder) {
  const std::string page = "<!doctype html><p>preview " + std::string(100000, 'x');
  ASSERT_EQ(Upload("/preview", page)->status, 200);
  const auto served = Send(Get("/tmp/quorlin_preview.html"));
  ASSERT_TRUE(served);
  EXPECT_EQ(served->body, page);
  EXPECT_TRUE(served->header("content-type").starts_with("text/html"));
}

TEST_P(Routes, RenameMovesDocumentAndFolderTogether) {
  Write(ProjectThumbnailPath("Demo"), "THUMB");
  const auto reply = Upload("/rename/Demo/Caf%C3%A9%202", "");
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->status, 200) << reply->body;
  const std::string renamed = "Caf\xC3\xA9 2";
  EXPECT_EQ(Read(ProjectDocumentPath(renamed)), "{\"version\":2}");
  EXPECT_EQ(Read(ProjectFolderPath(renamed) + "images/photo.png"), "PHOTO");
  EXPECT_EQ(Read(ProjectThumbnailPath(renamed)), "THUMB");
  EXPECT_FALSE(Exists(projects_ + "Demo"));
  EXPECT_FALSE(Exists(projects_ + "Demo.qui"));
  EXPECT_FALSE(Exists(ProjectFolderPath(renamed) + "Demo.qui"));
}

TEST_P(Routes, ARenameThatCannotCompleteMovesNothing) {
  struct Row {
    const char* why;
    std::function<void()> arrange;
    std::string target;
    int status;
  };
  // Elsewhere than the default location a document beside the folders is in the way too.
  const std::string taken_document = layout_ == Layout::Default ? "Taken/Taken.qui" : "Taken.qui";
  const Row rows[] = {
      {"the new name is taken by a folder", [&] { fs::create_directories(projects_ + "Taken"); }, "/rename/Demo/Taken", 409},
      {"the new name is taken by a document", [&] { Write(projects_ + taken_document, "other"); }, "/rename/Demo/Taken", 409},
      {"no such project", [] {}, "/rename/Nope/Other", 409},
      {"the same name", [] {}, "/rename/Demo/Demo", 409},
      {"an empty new name", [] {}, "/rename/Demo/", 400},
      {"no second name at all", [] {}, "/rename/Demo", 400},
  };
  for (const Row& row : rows) {
    fs::remove_all(projects_ + "Taken");
    fs::remove(projects_ + "Taken.qui");
    row.arrange();
    const auto reply = Upload(row.target, "");
    ASSERT_TRUE(reply) << row.why;
    EXPECT_EQ(reply->status, row.status) << row.why;
    EXPECT_NE(reply->body.find("cannot be renamed to"), std::string::npos) << row.why << ": " << reply->body;
    EXPECT_EQ(Read(ProjectDocumentPath("Demo")), "{\"version\":2}") << row.why;
    EXPECT_EQ(Read(projects_ + "Demo/images/photo.png"), "PHOTO") << row.why;
  }
  // Elsewhere the document sits beside the folder: a folder without its document stays where it is.
  if (layout_ == Layout::Other) {
    fs::remove(projects_ + "Demo.qui");
    const auto reply = Upload("/rename/Demo/Moved", "");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 409);
    EXPECT_TRUE(fs::is_directory(projects_ + "Demo"));
    EXPECT_FALSE(Exists(projects_ + "Moved"));
  }
}

// A project folder that is a link to somewhere else is outside the projects folder for rename/ as
// for every other route: following it would rename the document wherever the link points.
TEST_P(Routes, RenameDoesNotFollowALinkedProjectOutOfTheProjectsFolder) {
  const std::string outside = root_ + "/outside/";
  Write(outside + "Linked.qui", "SOMEONE ELSE'S DOCUMENT");
  fs::create_directory_symlink(outside, projects_ + "Linked");
  Write(root_ + "/elsewhere.qui", "ANOTHER DOCUMENT");
  fs::create_symlink(root_ + "/elsewhere.qui", projects_ + "Pointer.qui");
  for (const std::string& target : {"/rename/Linked/Moved"s, "/rename/Pointer/Moved"s}) {
    const auto reply = Upload(target, "");
    ASSERT_TRUE(reply) << target;
    EXPECT_GE(reply->status, 400) << target;
    EXPECT_FALSE(Exists(projects_ + "Moved")) << target;
    EXPECT_FALSE(Exists(projects_ + "Moved.qui")) << target;
  }
  EXPECT_EQ(Read(outside + "Linked.qui"), "SOMEONE ELSE'S DOCUMENT");
  EXPECT_FALSE(Exists(outside + "Moved.qui"));
  EXPECT_EQ(Read(root_ + "/elsewhere.qui"), "ANOTHER DOCUMENT");
  EXPECT_TRUE(fs::is_symlink(projects_ + "Linked"));
}

// Temporary files of uploads that a crash cut short are neither listed nor served, and an upload that
// fails in a folder takes every such leftover there with it.
TEST_P(Routes, UploadLeftoversAreNeverListedOrServedAndGoWithTheNextFailure) {
  const std::string images = projects_ + "Demo/images/";
  Write(images + ".ql-upload-a1b2c3.qltmp", "HALF AN UPLOAD");
  Write(images + ".ql-upload-d4e5f6.qltmp", "ANOTHER HALF");
  Write(images + "keep.qltmp.png", "A PICTURE");
  const auto listed = Query("/listdir/images");
  ASSERT_TRUE(listed);
  const auto names = nlohmann::json::parse(listed->body).get<std::set<std::string>>();
  EXPECT_EQ(names, (std::set<std::string>{"photo.png", "empty.png", "keep.qltmp.png"}));
  EXPECT_EQ(Send(Get("/images/.ql-upload-a1b2c3.qltmp"))->status, 404);
  EXPECT_EQ(Send(Get("/fileexists/Demo/images/keep.qltmp.png"))->body, "true");

  // An upload into that folder that stops short.
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send("POST /save/Demo/images/new.png HTTP/1.1\r\nHost: @HOST@\r\n" + kTokenLine +
              "Content-Length: 100\r\n\r\npart");
  client.end_sending();
  const auto reply = client.read();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 400);
  EXPECT_EQ(LeftoverTemporaryFiles(), 0);
  EXPECT_EQ(Read(images + "keep.qltmp.png"), "A PICTURE");
  EXPECT_FALSE(Exists(images + "new.png"));
}

TEST_P(Routes, ExistenceQueriesAnswerTrueOnlyForFilesWithContent) {
  Write(ProjectFolderPath("Demo") + "Demo.pb", "; base program");
  Write(ProjectFolderPath("Hollow") + "Hollow.pb", "");
  struct Row {
    std::string target;
    int status;
    std::string body;
  };
  const Row rows[] = {
      {"/pexists/Demo", 200, "true"},
      {"/pexists/Nope", 404, "false"},
      {"/pbexists/Demo", 200, "true"},
      {"/pbexists/Hollow", 404, "false"},
      {"/fileexists/Demo/images/photo.png", 200, "true"},
      {"/fileexists/Demo/Images/photo.png", 200, "true"},  // the sub-folder case rule
      {"/fileexists/Demo/images%5Cphoto.png", 200, "true"},
      {"/fileexists/Demo/images/empty.png", 200, "false"},
      {"/fileexists/Demo/images", 200, "false"},
      {"/fileexists/Demo/", 200, "false"},
      {"/fileexists/Demo", 200, "false"},
  };
  for (const Row& row : rows) {
    const auto reply = Send(Get(row.target));
    ASSERT_TRUE(reply) << row.target;
    EXPECT_EQ(reply->status, row.status) << row.target;
    EXPECT_EQ(reply->body, row.body) << row.target;
  }
}

TEST_P(Routes, ThumbReadsWhatTheThumbnailWriterWrites) {
  const std::string png = "\x89PNG\r\n\x1a\n picture";
  Write(ProjectThumbnailPath("Demo"), png);
  const auto reply = Send(Get("/thumb/Demo"));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200);
  EXPECT_EQ(reply->body, png);
  EXPECT_EQ(reply->header("content-type"), "image/png");
  EXPECT_EQ(Send(Get("/thumb/Nope"))->status, 404);
}

// Only what cannot change within a version may be cached by the web view: the library and font files
// of the program folder. A project's own folder named like one of them, the packed page, images,
// temporary files and every API answer stay no-store.
TEST_P(Routes, OnlyLibraryAndFontFilesOfTheProgramAreCacheable) {
  Write(program_ + "Internal_lib/chartjs/chart.umd.min.js", "CHART");
  Write(program_ + "Fonts/phosphor/regular/style.css", ".ph{}");
  Write(projects_ + "Demo/Fonts/mine.woff2", "MY FONT");
  Write(projects_ + "Demo/Internal_lib/mine.js", "MINE");
  Write(program_ + "Libraries/plyr.css", ".plyr{}");
  Write(projects_ + "Demo/Libraries/tailwind.min.js", "PROJECT COPY");
  Write(ProjectThumbnailPath("Demo"), "\x89PNG\r\n\x1a\n picture");
  Write(temp_ + "quorlin_project.json", "{}");
  const std::string cached(kLibraryCacheControl);
  struct Row {
    std::string request;
    int status;
    std::string cache_control;
  };
  const Row rows[] = {
      {Get("/Internal_lib/chartjs/chart.umd.min.js"), 200, cached},
      {Get("/Internal_lib/chartjs/chart.umd.min.js?t=5"), 200, cached},
      {Get("/Fonts/phosphor/regular/style.css"), 200, cached},
      {Get("/Fonts/phosphor/regular/style.css", "", "HEAD"), 200, cached},
      {Get("/Fonts/mine.woff2"), 200, "no-store"},         // the open project's file
      {Get("/Internal_lib/mine.js"), 200, "no-store"},     // the open project's file
      {Get("/Libraries/plyr.css"), 200, cached},
      {Get("/Libraries/tailwind.min.js"), 200, "no-store"}, // the open project's copy
      {Get("/Images/logo.png"), 200, "no-store"},
      {Get("/images/photo.png"), 200, "no-store"},
      {Get("/tmp/quorlin_project.json"), 200, "no-store"},
      {Get("/thumb/Demo"), 200, "no-store"},
      {Get("/pexists/Demo"), 200, "no-store"},
      {Get("/listdir/images", kTokenLine), 200, "no-store"},
      {Get("/Internal_lib/missing.js"), 404, ""},
  };
  for (const Row& row : rows) {
    const auto reply = Fetch(row.request, row.request.starts_with("HEAD "));
    ASSERT_TRUE(reply) << row.request;
    EXPECT_EQ(reply->status, row.status) << row.request;
    if (row.status == 200) {
      EXPECT_EQ(reply->header("cache-control"), row.cache_control) << row.request;
    } else {
      EXPECT_NE(reply->header("cache-control"), cached) << row.request;
    }
  }
}

TEST_P(Routes, ListdirNamesTheFilesOfAFolderOfTheOpenProjectAsJson) {
  const std::set<std::string> names = {"a.png", "quote\"d.png", "new\nline.png", "back\\slash.png", "caf\xC3\xA9.png"};
  for (const std::string& name : names) Write(projects_ + "Demo/Listed/" + name, "x");
  fs::create_directories(projects_ + "Demo/Listed/sub");
  fs::create_directory_symlink(root_ + "/outside", projects_ + "Demo/Listed/link");
  fs::create_directories(projects_ + "Demo/Empty");

  for (const std::string& dir : {"Listed"s, "listed"s, "Listed/"s}) {
    const auto reply = Query("/listdir/" + dir);
    ASSERT_TRUE(reply) << dir;
    ASSERT_EQ(reply->status, 200) << dir;
    EXPECT_TRUE(reply->header("content-type").starts_with("application/json"));
    const auto parsed = nlohmann::json::parse(reply->body);
    EXPECT_EQ(parsed.get<std::set<std::string>>(), names) << dir;
  }
  EXPECT_EQ(Query("/listdir/Empty")->body, "[]");
  EXPECT_EQ(Query("/listdir/Missing")->status, 404);
  EXPECT_EQ(Query("/listdir/Listed/a.png")->status, 404);
  OpenProject("");
  EXPECT_EQ(Query("/listdir/Listed")->status, 404);
}

TEST_P(Routes, ProjectFilesAreFoundWhateverTheCaseOfTheirSubFolder) {
  struct Row {
    std::string target;
    int status;
    std::string body;
  };
  const Row rows[] = {
      {"/images/photo.png", 200, "PHOTO"},
      {"/Images/photo.png", 200, "PHOTO"},    // the program's Images/ lacks it: the project's images/ has it
      {"/IMAGES/photo.png", 200, "PHOTO"},
      {"/Images/logo.png", 200, "PROGRAM LOGO"},  // the program folder still comes first
      {"/Images/empty.png", 404, ""},
  };
  for (const Row& row : rows) {
    const auto reply = Send(Get(row.target));
    ASSERT_TRUE(reply) << row.target;
    EXPECT_EQ(reply->status, row.status) << row.target;
    EXPECT_EQ(reply->body, row.body) << row.target;
  }
}

TEST_P(Routes, LoaderAndAbsoluteFilesAreServedWhole) {
  const auto loader = Send(Get("/loader/quorlin_loader"));
  ASSERT_TRUE(loader);
  EXPECT_EQ(loader->status, 200);
  EXPECT_EQ(loader->body, "LOADER BYTES");
  EXPECT_EQ(Send(Get("/loader/missing"))->status, 404);

  Write(root_ + "/media folder/song.mp3", "MP3 BYTES");
  for (const std::string& target : {"/ext:/" + root_ + "/media%20folder/song.mp3", "/ext:/%2F" + root_.substr(1) + "%2Fmedia%20folder%2Fsong.mp3"}) {
    const auto reply = Send(Get(target));
    ASSERT_TRUE(reply) << target;
    EXPECT_EQ(reply->status, 200) << target;
    EXPECT_EQ(reply->body, "MP3 BYTES") << target;
    EXPECT_TRUE(reply->header("content-type").starts_with("audio/")) << target;
  }
  EXPECT_EQ(Send(Get("/ext:/" + root_ + "/nothing.png"))->status, 404);
}

TEST_P(Routes, PatchLoaderIconAnswersThePatchedLoaderOrTheIconPatchErrors) {
  struct Row {
    std::string query;
    int status;
  };
  // A one-image icon: head, one directory entry (16 x 16, 32 bits, 4 bytes at offset 22), the image.
  const std::string ico = std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\4\0\0\0\x16\0\0\0", 22) + "PIXS";
  Write(root_ + "/app.ico", ico);
  Write(root_ + "/bad.ico", "ICON");
  const Row rows[] = {
      {"", 403},
      {"iconpath=", 403},
      {"iconpath=sub/relative.ico", 403},
      {"iconpath=bare.ico", 404},  // a bare name is looked for in the compiler's folder: none here
      {"iconpath=" + root_ + "/missing.ico", 404},
      {"iconpath=" + root_ + "/app.ico", 501},  // the template here has no icon slot
  };
  for (const Row& row : rows) {
    const auto reply = Query("/patchloadericon?" + row.query);
    ASSERT_TRUE(reply) << row.query;
    EXPECT_EQ(reply->status, row.status) << row.query;
    if (row.status != 403) {
      EXPECT_FALSE(reply->body.empty()) << row.query;  // the page shows the message
    }
  }

  const unsigned char head[] = RT_ICON_SLOT_INITIALIZER;
  std::string loader = "LOADER CODE" + std::string(rt::kIconSlotSize, '\0') + "LOADER DATA";
  std::copy(std::begin(head), std::end(head), loader.begin() + 11);
  Write(program_ + "loader/quorlin_loader", loader);
  EXPECT_EQ(Query("/patchloadericon?iconpath=" + root_ + "/bad.ico")->status, 422);
  const auto patched = Query("/patchloadericon?iconpath=" + root_ + "/app.ico");
  ASSERT_TRUE(patched);
  ASSERT_EQ(patched->status, 200);
  ASSERT_EQ(patched->body.size(), loader.size());
  const auto slot = std::span(reinterpret_cast<const unsigned char*>(patched->body.data()) + 11, rt::kIconSlotSize);
  const auto files = rt::IconFilesFromSlot(slot);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0], ico);
  EXPECT_EQ(Read(program_ + "loader/quorlin_loader"), loader);  // the template is never changed
}

// ---------------------------------------------------------------------------------------------
// The standalone program and its assets

// Every byte that is not a letter or digit as %XX, as encodeURIComponent does for these texts.
std::string Encode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

TEST_P(Routes, SaveExeWritesAProgramAndItsAssetsBesideIt) {
  EXPECT_EQ(Upload("/saveasset/early.js", "x")->status, 403);  // no program written in this run yet

  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send(Post("/saveexe", "NO PATH YET", kTokenLine) + Get("/pexists/Demo"));
  const auto without_path = client.read();
  ASSERT_TRUE(without_path);
  EXPECT_EQ(without_path->status, 400);
  EXPECT_EQ(client.read()->body, "true");  // the unread body did not become a request

  const std::string program = root_ + "/dist dir/My App";
  const auto written = Upload("/saveexe?path=" + Encode(program), "PROGRAM V1");
  ASSERT_TRUE(written);
  EXPECT_EQ(written->status, 200);
  EXPECT_EQ(written->body, "ok");
  EXPECT_EQ(Read(program), "PROGRAM V1");
  struct stat info {};
  ASSERT_EQ(::stat(program.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);

  ASSERT_EQ(Upload("/saveasset/Libraries/tailwind.min.js", "LIB")->status, 200);
  EXPECT_EQ(Read(root_ + "/dist dir/Libraries/tailwind.min.js"), "LIB");

  // Without a path the remembered one is used again; the save dialog may have chosen another since.
  ASSERT_EQ(Upload("/saveexe", "PROGRAM V2")->status, 200);
  EXPECT_EQ(Read(program), "PROGRAM V2");
  HostState().set_standalone_save_path(root_ + "/chosen/App2");
  ASSERT_EQ(Upload("/saveexe", "PROGRAM 2")->status, 200);
  EXPECT_EQ(Read(root_ + "/chosen/App2"), "PROGRAM 2");
  ASSERT_EQ(Upload("/saveasset/data.bin", "DATA")->status, 200);
  EXPECT_EQ(Read(root_ + "/chosen/data.bin"), "DATA");

  fs::create_directories(root_ + "/chosen/Folder");
  const auto onto_folder = Upload("/saveexe?path=" + Encode(root_ + "/chosen/Folder"), "X");
  ASSERT_TRUE(onto_folder);
  EXPECT_GE(onto_folder->status, 400);
  EXPECT_TRUE(fs::is_directory(root_ + "/chosen/Folder"));
  EXPECT_EQ(LeftoverTemporaryFiles(), 0);
}

TEST_P(Routes, AutorunStartsTheWrittenProgramItselfWithoutAShell) {
  // Every shell sign a path can hold: a shell would run the "touch" or trip over the quotes.
  const std::string folder = root_ + "/run dir $(touch sub)";
  const std::string program = folder + "/it's a \"program\"; touch pwned & `touch tick`";
  const std::string script = "#!/bin/sh\nprintf '%s' \"$0\" > \"$PWD/started\"\n";
  ASSERT_EQ(Upload("/saveexe?path=" + Encode(program) + "&autorun=1", script)->status, 200);

  const std::string marker = folder + "/started";
  for (int waited = 0; waited < 5000 && Read(marker).empty(); waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Read(marker), program);  // started by its own path, in its own folder
  for (const auto& entry : fs::recursive_directory_iterator(root_))
    EXPECT_TRUE(entry.path().filename() != "pwned" && entry.path().filename() != "tick" && entry.path().filename() != "sub")
        << entry.path();
  // The program is nobody's child here: nothing is left to reap.
  int status = 0;
  EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);

  // "autorun=1" alone starts the remembered program once it is written again.
  fs::remove(marker);
  ASSERT_EQ(Upload("/saveexe?autorun=1", script)->status, 200);
  for (int waited = 0; waited < 5000 && Read(marker).empty(); waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Read(marker), program);
}

TEST_P(Routes, TheProgramStartsWithItsLastFileWhenThatCarriesTheStart) {
  // The program says whether its file was there when it started.
  const std::string folder = root_ + "/with files";
  const std::string program = folder + "/App";
  const std::string script = "#!/bin/sh\n[ -f \"$PWD/Libraries/lib.js\" ] && printf yes > started || printf no > started\n";
  ASSERT_EQ(Upload("/saveexe?path=" + Encode(program), script)->status, 200);
  ASSERT_EQ(Upload("/saveasset/images/a.png", "PNG")->status, 200);
  EXPECT_FALSE(fs::exists(folder + "/started"));
  ASSERT_EQ(Upload("/saveasset/Libraries/lib.js?autorun=1", "LIB")->status, 200);
  for (int waited = 0; waited < 5000 && Read(folder + "/started").empty(); waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Read(folder + "/started"), "yes");
}

TEST_P(Routes, ARunningProgramIsLockedAndKeepsRunningUntouched) {
  const std::string program = root_ + "/running/App";
  fs::create_directories(root_ + "/running");
  fs::copy_file("/bin/sleep", program);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(program.c_str(), program.c_str(), "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  // Until the child has become the program.
  for (int waited = 0; waited < 5000; waited += 10) {
    std::error_code error;
    if (fs::read_symlink("/proc/" + std::to_string(child) + "/exe", error) == fs::path(program)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string before = Read(program);
  const auto locked = Upload("/saveexe?path=" + Encode(program), "NEW PROGRAM");
  ASSERT_TRUE(locked);
  EXPECT_EQ(locked->status, 409);
  EXPECT_EQ(locked->body, "locked");
  EXPECT_EQ(Read(program), before);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_EQ(Upload("/saveexe?path=" + Encode(program), "NEW PROGRAM")->status, 200);
  EXPECT_EQ(Read(program), "NEW PROGRAM");
}

// ---------------------------------------------------------------------------------------------
// Traversal: every path-taking route, every way out of its folder.

TEST_P(Routes, NoPathLeadsOutOfItsFolder) {
  // Links that lead out of each folder, and what lies behind them.
  const std::string outside = root_ + "/outside/";
  Write(outside + "Linked.qui", "SECRET");
  Write(outside + "Linked/Linked.qui", "SECRET");
  Write(outside + "Linked.pb", "SECRET");
  Write(outside + ".thumbnail.png", "SECRET");
  fs::create_directory_symlink(outside, projects_ + "Linked");
  fs::create_directory_symlink(outside, projects_ + "Demo/out");
  fs::create_directory_symlink(outside, program_ + "linkout");
  fs::create_directory_symlink(outside, temp_ + "linkout");
  fs::create_symlink(outside + "secret.txt", program_ + "loader/out");
  ASSERT_EQ(Upload("/saveexe?path=" + Encode(root_ + "/dist/app"), "PROGRAM")->status, 200);
  fs::create_directory_symlink(outside, root_ + "/dist/link");
  const std::string root_rel = Encode(root_.substr(1));  // the root without its leading "/", encoded

  const std::vector<std::pair<std::string, std::string>> posts = {
      // save/, the document
      {"save: parent", "/save/.."}, {"save: encoded parent", "/save/%2e%2e"}, {"save: dot", "/save/."},
      {"save: encoded slash", "/save/a%2Fb"}, {"save: slash encoded twice", "/save/a%252Fb"},
      {"save: backslash", "/save/a%5Cb"}, {"save: absolute", "/save/%2F" + root_rel + "%2Foutside%2Fx"},
      {"save: NUL", "/save/a%00b"}, {"save: empty", "/save/"},
      // save/, a project file
      {"save file: parent", "/save/Demo/../../x.txt"}, {"save file: encoded parent", "/save/Demo/%2e%2e/%2e%2e/x.txt"},
      {"save file: backslash parent", "/save/Demo/..%5C..%5Cx.txt"},
      {"save file: absolute", "/save/Demo/%2F" + root_rel + "%2Foutside%2Fx.txt"},
      {"save file: NUL", "/save/Demo/a%00b.txt"}, {"save file: parent as project", "/save/..%2Fx/y.txt"},
      {"save file: linked project", "/save/Linked/x.txt"}, {"save file: link inside", "/save/Demo/out/x.txt"},
      {"save file: empty", "/save/Demo/"},
      // saveasset/
      {"saveasset: parent", "/saveasset/../x"}, {"saveasset: encoded parent", "/saveasset/%2e%2e/x"},
      {"saveasset: backslash parent", "/saveasset/..%5Cx"}, {"saveasset: absolute", "/saveasset/%2F" + root_rel + "%2Fx"},
      {"saveasset: NUL", "/saveasset/a%00b"}, {"saveasset: link", "/saveasset/link/x.txt"}, {"saveasset: empty", "/saveasset/"},
      // rename/
      {"rename: to parent", "/rename/Demo/.."}, {"rename: from parent", "/rename/../Demo2"},
      {"rename: encoded parent", "/rename/Demo/%2e%2e"}, {"rename: encoded slash", "/rename/Demo/a%2Fb"},
      {"rename: out by steps", "/rename/Demo/..%2F..%2Fescaped"}, {"rename: absolute", "/rename/Demo/%2F" + root_rel + "%2Fescaped"},
      {"rename: NUL", "/rename/Demo/a%00b"}, {"rename: backslash", "/rename/Demo/a%5Cb"},
      {"rename: linked project", "/rename/Linked/Moved"},
      // saveexe's own path
      {"saveexe: relative", "/saveexe?path=relative%2Fapp"}, {"saveexe: parent", "/saveexe?path=%2F" + root_rel + "%2Fdist%2F..%2Fapp2"},
      {"saveexe: NUL", "/saveexe?path=%2F" + root_rel + "%2Fdist%2Fa%00b"}, {"saveexe: folder", "/saveexe?path=%2F" + root_rel + "%2Fdist%2F"},
  };
  const std::vector<std::pair<std::string, std::string>> gets = {
      {"pexists: parent", "/pexists/.."}, {"pexists: encoded parent", "/pexists/%2e%2e"},
      {"pexists: absolute", "/pexists/%2F" + root_rel}, {"pexists: NUL", "/pexists/Demo%00"}, {"pexists: link", "/pexists/Linked"},
      {"pbexists: parent", "/pbexists/.."}, {"pbexists: link", "/pbexists/Linked"},
      {"fileexists: parent", "/fileexists/Demo/../../outside/secret.txt"},
      {"fileexists: encoded parent", "/fileexists/Demo/%2e%2e/%2e%2e/outside/secret.txt"},
      {"fileexists: parent as project", "/fileexists/..%2Foutside/secret.txt"},
      {"fileexists: linked project", "/fileexists/Linked/secret.txt"}, {"fileexists: link inside", "/fileexists/Demo/out/secret.txt"},
      {"fileexists: absolute", "/fileexists/Demo/%2F" + root_rel + "%2Foutside%2Fsecret.txt"},
      {"fileexists: NUL", "/fileexists/Demo/images/photo.png%00"},
      {"fileexists: backslash parent", "/fileexists/Demo/..%5C..%5Coutside%5Csecret.txt"},
      {"thumb: parent", "/thumb/.."}, {"thumb: link", "/thumb/Linked"}, {"thumb: encoded parent", "/thumb/%2e%2e%2Foutside"},
      {"listdir: parent", "/listdir/.."}, {"listdir: encoded parent", "/listdir/%2e%2e"}, {"listdir: link", "/listdir/out"},
      {"listdir: absolute", "/listdir/%2F" + root_rel}, {"listdir: NUL", "/listdir/images%00"},
      {"listdir: backslash parent", "/listdir/..%5C.."},
      {"loader: encoded parent", "/loader/%2e%2e%2Fsecret.txt"}, {"loader: link", "/loader/out"},
      {"loader: NUL", "/loader/quorlin_loader%00"}, {"loader: backslash", "/loader/..%5Cquorlin_loader"},
      {"ext: parent", "/ext:/" + root_ + "/program/../outside/secret.txt"},
      {"ext: encoded parent", "/ext:/" + root_ + "/program/%2e%2e/outside/secret.txt"},
      {"ext: NUL", "/ext:/" + root_ + "/outside/secret.txt%00.png"},
      {"ext: backslash parent", "/ext:/" + root_ + "/program%5C..%5Coutside%5Csecret.txt"},
      {"file: project link", "/out/secret.txt"}, {"file: program link", "/linkout/secret.txt"},
      {"file: temporary link", "/tmp/linkout/secret.txt"},
      {"patchloadericon: relative", "/patchloadericon?iconpath=..%2Fx.ico"},
      {"patchloadericon: parent", "/patchloadericon?iconpath=%2Fa%2F..%2Fb.ico"},
      {"patchloadericon: NUL", "/patchloadericon?iconpath=%2Fa%00b"},
  };

  const auto snapshot = [this] {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator(); ++it)
      entries[it->path().string()] = it->is_symlink() ? "link" : it->is_regular_file() ? "file:" + Read(it->path()) : "folder";
    return entries;
  };
  const auto before = snapshot();
  const auto check = [](const std::string& why, const std::optional<Reply>& reply) {
    ASSERT_TRUE(reply) << why;
    EXPECT_FALSE(reply->status / 100 == 2 && reply->body != "false") << why << ": " << reply->status << " " << reply->body;
    EXPECT_EQ(reply->body.find("SECRET"), std::string::npos) << why;
  };
  for (const auto& [why, target] : posts) check(why, Upload(target, "PAYLOAD"));
  for (const auto& [why, target] : gets) check(why, Query(target));
  OpenProject("Linked");
  check("listdir: linked project", Query("/listdir/"));
  check("file: linked project", Send(Get("/secret.txt")));
  EXPECT_EQ(snapshot(), before);
}

}  // namespace
