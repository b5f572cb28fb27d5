#include "native_channel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "base64.h"
#include "event_loop.h"
#include "fake_ui.h"
#include "native_files.h"
#include "temp_home.h"

namespace {

struct FakePreview : PreviewLink {
  bool open = false;
  int closes = 0;
  bool preview_open() const override { return open; }
  void close_preview() override {
    ++closes;
    open = false;
  }
};

// A request value as pages send it: {cbId, data: JSON text}.
std::string Request(const std::string& id, const nlohmann::json& data) {
  return nlohmann::json{{"cbId", id}, {"data", data.dump()}}.dump();
}

class Channel : public testing::Test {
protected:
  Channel() { channel_.set_preview(&preview_); }

  // Sends a request from the editor (gadget 0) and returns what was run there, then forgets it.
  std::vector<std::string> ask(const std::string& type, const nlohmann::json& data, const std::string& id = "cb_1_a") {
    ui_.scripts.clear();
    channel_.handle(0, type, Request(id, data));
    return ui_.scripts;
  }
  std::string reply(const std::string& type, const nlohmann::json& data) {
    const auto scripts = ask(type, data);
    return scripts.size() == 1 ? scripts[0] : "(" + std::to_string(scripts.size()) + " replies)";
  }

  // Runs the queued-command timer until the queue is empty (or 30 s have passed).
  void run_commands() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ui_.timers.count(kTimerQueuedCommand) && std::chrono::steady_clock::now() < deadline) {
      channel_.run_queued_command();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_FALSE(ui_.timers.count(kTimerQueuedCommand)) << "the commands did not end";
  }

  TempHome home_;
  FakeUi ui_;
  FakePreview preview_;
  NativeChannel channel_{ui_, kTimerQueuedCommand};
};

}  // namespace

TEST(NativeBase64, EncodesWithPaddingAndDecodesBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"M", "TQ=="}, {"Ma", "TWE="}, {"Man", "TWFu"}, {std::string("\0\xff\xfe", 3), "AP/+"},
      {"any carnal pleasure.", "YW55IGNhcm5hbCBwbGVhc3VyZS4="},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(EncodeBase64(bytes), text);
    EXPECT_EQ(DecodeBase64(text), bytes);
  }
}

TEST(NativeRequestForm, OnlyWellFormedCallbackIdsAreAccepted) {
  for (const char* id : {"cb_1_lq3k9x2a", "cb_z_0", "cb_10_abc"}) EXPECT_TRUE(IsNativeCallbackId(id)) << id;
  for (const char* id : {"", "cb_", "cb_1", "cb_1_", "cb__1", "cb_1_A", "cb_1_2_3", "x');alert(1);//",
                         "cb_1_2');alert(1);//", "cb_1_2\n", "CB_1_2", "cb_1_2 "})
    EXPECT_FALSE(IsNativeCallbackId(id)) << id;
  EXPECT_FALSE(IsNativeCallbackId("cb_1_" + std::string(80, 'a')));
}

TEST_F(Channel, RequestsWithoutAWellFormedIdOrOfAnotherKindGetNoReply) {
  const std::string values[] = {
      "", "not json", R"({"data":"{}"})", R"({"cbId":7})", R"(["cb_1_2"])",
      R"({"cbId":"x');window.pb_event({type:'delete'});//","data":"{}"})", R"({"cbId":"cb_1_2\"","data":"{}"})",
  };
  for (int gadget : {0, 1})
    for (const auto& value : values) channel_.handle(gadget, "native_ws_stop", value);
  channel_.handle(0, "ws_stop", Request("cb_1_2", {}));
  channel_.handle(0, "Native_ws_stop", Request("cb_1_2", {}));
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_TRUE(ui_.other_scripts.empty());
}

TEST_F(Channel, RepliesGoToTheViewThatAskedAndDataThatIsNoObjectReadsAsEmpty) {
  channel_.handle(kPreviewGadget, "native_ws_stop", Request("cb_2_b", {}));
  EXPECT_EQ(ui_.scripts_in(kPreviewGadget), std::vector<std::string>{NativeDataReply("cb_2_b")});
  EXPECT_TRUE(ui_.scripts.empty());

  // data that is not JSON text of an object: the operation runs with no members.
  channel_.handle(0, "native_read_file", R"({"cbId":"cb_3_c","data":"[1,2]"})");
  channel_.handle(0, "native_read_file", R"({"cbId":"cb_4_d","data":{"path":"/etc/hostname"}})");
  EXPECT_EQ(ui_.scripts, (std::vector<std::string>{NativeErrorReply("cb_3_c", "file not found"),
                                                   NativeErrorReply("cb_4_d", "file not found")}));
}

TEST_F(Channel, FileReadsAnswerContentAndSizeOrTheReason) {
  const std::string bytes("quote ' backslash \\ nul \0 high \xff end\n", 37);
  const std::string file = home_.write("it's a \"file\".bin", bytes);
  const std::string empty = home_.write("empty.txt", "");
  const std::string fifo = home_.path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink(file, home_.path("link"));

  const struct {
    std::string path;
    std::string reply;
  } cases[] = {
      {file, NativeDataReply("cb_1_a", {ReplyText("content", EncodeBase64(bytes)), ReplyNumber("size", 37)})},
      {home_.path("link"), NativeDataReply("cb_1_a", {ReplyText("content", EncodeBase64(bytes)), ReplyNumber("size", 37)})},
      {empty, NativeDataReply("cb_1_a", {ReplyText("content", ""), ReplyNumber("size", 0)})},
      {"", NativeErrorReply("cb_1_a", "file not found")},
      {home_.path("missing"), NativeErrorReply("cb_1_a", "file not found")},
      {home_.root().string(), NativeErrorReply("cb_1_a", "file not found")},
      {fifo, NativeErrorReply("cb_1_a", "file not found")},   // would block for ever
      {"/dev/zero", NativeErrorReply("cb_1_a", "file not found")},   // would stream for ever
  };
  for (const auto& c : cases) EXPECT_EQ(reply("native_read_file", {{"path", c.path}}), c.reply) << c.path;
}

TEST_F(Channel, FilesAboveTheReadLimitAreRefused) {
  const std::string file = home_.write("big.bin", std::string(1001, 'x'));
  EXPECT_EQ(ReadFileForPage(file, 1000).error, "file too large");
  EXPECT_EQ(ReadFileForPage(file, 1001).bytes.size(), 1001u);
  EXPECT_EQ(kNativeReadLimit, 64ull << 20);
}

TEST_F(Channel, FileWritesDecodeFirstAndLeaveTheFileAloneWhenTheyCannot) {
  const std::string bytes("new ' \\ \0 \xff", 11);
  const struct {
    const char* name;
    std::string content;
    std::string reply;
    std::string after;   // the file's content afterwards
  } cases[] = {
      {"bytes", EncodeBase64(bytes), NativeDataReply("cb_1_a", {ReplyNumber("bytesWritten", 11)}), bytes},
      {"unpadded", "TWE", NativeDataReply("cb_1_a", {ReplyNumber("bytesWritten", 2)}), "Ma"},
      {"empty content empties the file", "", NativeDataReply("cb_1_a", {ReplyNumber("bytesWritten", 0)}), ""},
      {"not Base64", "this is not base64!", NativeErrorReply("cb_1_a", "invalid content"), "old content"},
      {"blanks inside", "TW Fu", NativeErrorReply("cb_1_a", "invalid content"), "old content"},
      {"impossible length", "TWFuT", NativeErrorReply("cb_1_a", "invalid content"), "old content"},
  };
  for (const auto& c : cases) {
    const std::string file = home_.write("out.bin", "old content");
    EXPECT_EQ(reply("native_write_file", {{"path", file}, {"content", c.content}}), c.reply) << c.name;
    EXPECT_EQ(TempHome::read(file), c.after) << c.name;
  }
}

TEST_F(Channel, FileWritesCreateReplaceKeepTheModeFollowLinksAndReportWhatCannotBeWritten) {
  const std::string created = home_.path("new file 'quoted'.txt");
  EXPECT_EQ(reply("native_write_file", {{"path", created}, {"content", "TWFu"}}),
            NativeDataReply("cb_1_a", {ReplyNumber("bytesWritten", 3)}));
  EXPECT_EQ(TempHome::read(created), "Man");

  const std::string script = home_.write("run.sh", "#!/bin/sh\n");
  ASSERT_EQ(chmod(script.c_str(), 0750), 0);
  reply("native_write_file", {{"path", script}, {"content", EncodeBase64("#!/bin/sh\necho hi\n")}});
  struct stat info {};
  ASSERT_EQ(stat(script.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0750u);

  const std::string target = home_.write("target.txt", "before");
  std::filesystem::create_symlink(target, home_.path("alias.txt"));
  reply("native_write_file", {{"path", home_.path("alias.txt")}, {"content", "TWFu"}});
  EXPECT_TRUE(std::filesystem::is_symlink(home_.path("alias.txt")));
  EXPECT_EQ(TempHome::read(target), "Man");

  for (const std::string& path : {std::string(), home_.root().string(), home_.path("no/such/folder/f.txt")})
    EXPECT_EQ(reply("native_write_file", {{"path", path}, {"content", "TWFu"}}),
              NativeErrorReply("cb_1_a", path.empty() ? "missing path/content" : "cannot write file"))
        << path;
}

TEST_F(Channel, FileDialogsAnswerThePathChosenOrEmptyWhenCancelled) {
  const std::string odd = "/home/o'brien/a \"b\"\\c\nd.txt";
  ui_.dialog_answers = {odd, "", "/tmp/saved.txt"};
  EXPECT_EQ(reply("native_open_file_dialog", {{"filter", "Text | *.txt | All | *.*"}, {"defaultName", "a.txt"}}),
            NativeDataReply("cb_1_a", {ReplyText("path", odd)}));
  EXPECT_EQ(reply("native_open_file_dialog", nlohmann::json::object()), NativeDataReply("cb_1_a", {ReplyText("path", "")}));
  EXPECT_EQ(reply("native_save_file_dialog", {{"defaultName", "out.txt"}}),
            NativeDataReply("cb_1_a", {ReplyText("path", "/tmp/saved.txt")}));
  EXPECT_EQ(ui_.dialogs, (std::vector<std::string>{"open|Open file|a.txt|Text|*.txt|All|*", "open|Open file||All files|*",
                                                   "save|Save file|out.txt|All files|*"}));
}

TEST(NativeDialogFilter, PagesFiltersBecomeDialogPatterns) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "All files|*"},
      {"All files | *.*", "All files|*"},
      {"Images|*.png;*.jpg|Everything|*.*", "Images|*.png;*.jpg|Everything|*"},
      {"Images| *.png ; *.jpg ", "Images|*.png;*.jpg"},
      {"|*.txt", "*.txt|*.txt"},
      {"Label without pattern", "All files|*"},
      {"Text|*.txt|Dangling", "Text|*.txt"},
      {"Empty||Text|*.txt", "Text|*.txt"},
  };
  for (const auto& [filter, pattern] : cases) EXPECT_EQ(DialogPatternFromFilter(filter), pattern) << filter;
}

TEST_F(Channel, FixedAnswersAndRequestsNoHostServesHere) {
  EXPECT_EQ(reply("native_ws_start", {{"port", 9000}}), NativeErrorReply("cb_1_a", kWsNotAvailable));
  EXPECT_EQ(reply("native_ws_stop", nlohmann::json::object()), NativeDataReply("cb_1_a"));
  EXPECT_EQ(reply("native_no_such_thing", nlohmann::json::object()), NativeErrorReply("cb_1_a", "unknown request"));
  EXPECT_EQ(reply("native_ai_relay_start", nlohmann::json::object()),
            NativeErrorReply("cb_1_a", "the assistant is not available yet"));
  // The preview runs the design's code: the assistant's requests are refused there.
  channel_.handle(kPreviewGadget, "native_ai_endpoint_store", Request("cb_5_e", {{"endpoint", "http://evil"}}));
  EXPECT_EQ(ui_.scripts_in(kPreviewGadget), std::vector<std::string>{NativeErrorReply("cb_5_e", "not allowed in the preview")});
}

TEST_F(Channel, CommandsNotWaitedForStartAtOnceAndAnswerAnEmptyObject) {
  const std::string marker = home_.path("ran 'here'");
  EXPECT_EQ(reply("native_run_command", {{"command", "touch \"" + marker + "\""}, {"waitForResult", "false"}}),
            NativeDataReply("cb_1_a"));
  EXPECT_FALSE(ui_.timers.count(kTimerQueuedCommand));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(std::filesystem::exists(marker));

  EXPECT_EQ(reply("native_run_command", {{"command", ""}, {"waitForResult", "false"}}), NativeErrorReply("cb_1_a", "empty command"));
  EXPECT_EQ(reply("native_run_command", {{"waitForResult", "true"}}), NativeErrorReply("cb_1_a", "empty command"));
}

TEST_F(Channel, WaitedCommandsAreAllAnsweredInTurnWithTheirWholeOutputAndExitCode) {
  // "true", "" and a missing member all wait; only the exact text "false" does not.
  const struct {
    const char* id;
    nlohmann::json data;
    std::string output;
    int exit_code;
  } cases[] = {
      {"cb_1_a", {{"command", "printf 'out '; printf 'err' >&2; exit 3"}, {"waitForResult", "true"}}, "out err", 3},
      {"cb_2_a", {{"command", "head -c 2097152 /dev/zero | tr '\\0' 'x'"}, {"waitForResult", ""}}, std::string(2097152, 'x'), 0},
      {"cb_3_a", {{"command", "printf 'caf\\303\\251 \\047quoted\\047'"}}, "caf\xc3\xa9 'quoted'", 0},
      {"cb_4_a", {{"command", "no-such-program-here"}, {"waitForResult", "FALSE"}}, "", 127},
  };
  for (const auto& c : cases) channel_.handle(0, "native_run_command", Request(c.id, c.data));
  EXPECT_TRUE(ui_.scripts.empty()) << "nothing is answered before the main loop runs the queue";
  EXPECT_EQ(ui_.timers.at(kTimerQueuedCommand), kCommandPollMs);
  EXPECT_EQ(channel_.commands().size(), 4u);
  run_commands();
  ASSERT_EQ(ui_.scripts.size(), 4u);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(ui_.scripts[i], NativeDataReply(cases[i].id, {ReplyText("result", EncodeBase64(cases[i].output)),
                                                            ReplyNumber("exitCode", cases[i].exit_code)}))
        << cases[i].id;
  // The shell's own complaint is the output of a command it cannot find.
  EXPECT_NE(ui_.scripts[3].find("_qlNativeCallback(\"cb_4_a\", {data: {result: \""), std::string::npos) << ui_.scripts[3];
  EXPECT_NE(ui_.scripts[3].find("exitCode: 127"), std::string::npos) << ui_.scripts[3];
}

TEST_F(Channel, AWaitedCommandFromThePreviewIsAnsweredThereAndRunawayOutputIsCutOff) {
  channel_.handle(kPreviewGadget, "native_run_command", Request("cb_1_p", {{"command", "echo preview"}}));
  channel_.commands().output_limit = 1 << 20;
  channel_.handle(0, "native_run_command", Request("cb_2_e", {{"command", "yes"}}));
  run_commands();
  EXPECT_EQ(ui_.scripts_in(kPreviewGadget),
            std::vector<std::string>{NativeDataReply(
                "cb_1_p", {ReplyText("result", EncodeBase64("preview\n")), ReplyNumber("exitCode", 0)})});
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{NativeErrorReply("cb_2_e", "command output too large")});
}

TEST_F(Channel, TheQueueRefusesCommandsBeyondItsLimit) {
  for (size_t i = 0; i < kCommandQueueLimit; ++i)
    EXPECT_TRUE(channel_.commands().push({"true", "cb_" + std::to_string(i) + "_q", 0}));
  EXPECT_EQ(reply("native_run_command", {{"command", "true"}}), NativeErrorReply("cb_1_a", "too many commands waiting"));
}

TEST_F(Channel, SnapshotRelayAnswersTheEditorOnceAndANewRequestSupersedesAPendingOne) {
  EXPECT_EQ(reply("native_preview_snapshot", {}), NativeErrorReply("cb_1_a", "preview not open"));
  EXPECT_TRUE(channel_.snapshot_pending().empty());

  preview_.open = true;
  EXPECT_TRUE(ask("native_preview_snapshot", {}, "cb_1_s").empty());
  EXPECT_EQ(ui_.scripts_in(kPreviewGadget), std::vector<std::string>{PreviewSnapshotScript()});
  EXPECT_EQ(ask("native_preview_snapshot", {}, "cb_2_s"), std::vector<std::string>{NativeErrorReply("cb_1_s", "superseded")});
  EXPECT_EQ(channel_.snapshot_pending(), "cb_2_s");

  ui_.scripts.clear();
  const std::string snapshot = R"({"title":"Demo","html":"<p>caf\u00e9</p>"})";
  channel_.answer_snapshot(snapshot);
  channel_.answer_snapshot(snapshot);   // nothing pending any more: dropped
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{NativeDataReply("cb_2_s", {ReplyText("snapshot", EncodeBase64(snapshot))})});

  for (const std::string& failed : {std::string(), std::string(kPreviewRelayFailed)}) {
    ask("native_preview_snapshot", {}, "cb_3_s");
    ui_.scripts.clear();
    channel_.answer_snapshot(failed);
    EXPECT_EQ(ui_.scripts, std::vector<std::string>{NativeErrorReply("cb_3_s", "the preview gave no answer")});
  }
}

TEST_F(Channel, EvaluationRelayRunsTheDecodedCodeInThePreviewAndAnswersInTheEditor) {
  preview_.open = true;
  const std::string code = "return document.title + '\\n' + \"</script>\";\r\n\tawait 1;";
  // Sent from the preview page itself: the relay still answers in the editor.
  channel_.handle(kPreviewGadget, "native_preview_eval", Request("cb_1_v", {{"code", EncodeBase64(code)}}));
  ASSERT_EQ(ui_.scripts_in(kPreviewGadget), std::vector<std::string>{PreviewEvalScript(code)});
  EXPECT_EQ(PreviewEvalScript(code).find("</script>"), std::string::npos);
  EXPECT_EQ(ask("native_preview_eval", {{"code", EncodeBase64("1")}}, "cb_2_v"),
            std::vector<std::string>{NativeErrorReply("cb_1_v", "superseded")});
  ui_.scripts.clear();
  channel_.answer_evaluation(R"({"ok":true,"result":"Demo"})");
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{NativeDataReply(
                             "cb_2_v", {ReplyText("result", EncodeBase64(R"({"ok":true,"result":"Demo"})"))})});
  EXPECT_TRUE(channel_.evaluation_pending().empty());

  EXPECT_EQ(reply("native_preview_eval", {{"code", ""}}), NativeErrorReply("cb_1_a", "no code"));
  EXPECT_EQ(reply("native_preview_eval", {{"code", "not base64!"}}), NativeErrorReply("cb_1_a", "no code"));
  preview_.open = false;
  EXPECT_EQ(reply("native_preview_eval", {{"code", EncodeBase64("1")}}), NativeErrorReply("cb_1_a", "preview not open"));
  EXPECT_TRUE(channel_.evaluation_pending().empty());
}

TEST_F(Channel, ScriptAndCloseRelays) {
  EXPECT_EQ(reply("native_preview_script", {}), NativeErrorReply("cb_1_a", "preview not open"));
  EXPECT_EQ(reply("native_preview_close", {}), NativeDataReply("cb_1_a"));
  EXPECT_EQ(preview_.closes, 0);

  preview_.open = true;
  EXPECT_EQ(reply("native_preview_script", {}), NativeDataReply("cb_1_a"));
  EXPECT_EQ(ui_.scripts_in(kPreviewGadget), std::vector<std::string>{PreviewFixedScript()});
  channel_.handle(kPreviewGadget, "native_preview_close", Request("cb_9_c", {}));
  EXPECT_EQ(preview_.closes, 1);
  EXPECT_EQ(ui_.scripts.back(), NativeDataReply("cb_9_c"));
}
