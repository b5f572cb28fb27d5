#include "native_channel.h"

#include "base64.h"
#include "native_files.h"
#include "script.h"
#include "support.h"

namespace {

// The preview page's pb_event message to the host (the bound call takes the argument list).
std::string PreviewMessage(std::string_view type, const std::string& value_expression) {
  return "window.pb_event({id: 'quorlin', type: " + JsString(type) + ", value: " + value_expression + "})";
}

}  // namespace

std::string PreviewSnapshotScript() {
  // What the design shows now, as JSON text: its title, address, inner size and markup.
  return "(function () { var v; try { v = JSON.stringify({title: document.title, url: location.href, "
         "width: window.innerWidth, height: window.innerHeight, html: document.documentElement.outerHTML}); } "
         "catch (e) { v = " + JsString(kPreviewRelayFailed) + "; } " + PreviewMessage(kPreviewSnapshotReply, "v") +
         "; })();";
}

std::string PreviewEvalScript(const std::string& code) {
  // A page without the runner answers at once, so the editor's request is not left waiting.
  return "if (typeof window.__qlEvalRun === 'function') window.__qlEvalRun(" + JsString(code) + "); else " +
         PreviewMessage(kPreviewEvalReply, JsString(kPreviewRelayFailed)) + ";";
}

std::string PreviewFixedScript() {
  // Starts the design afresh, as a new preview would.
  return "location.reload();";
}

void NativeChannel::handle(int gadget, const std::string& type, const std::string& value) {
  if (!type.starts_with("native_")) return;
  const NativeRequest request = ParseNativeRequest(value);
  const std::string& id = request.callback_id;
  if (!IsNativeCallbackId(id)) {
    if (!id.empty()) HostLog("native request " + type + " dropped: its callback id is not well formed");
    return;
  }

  if (type == kOpenFileDialog || type == kSaveFileDialog) {
    file_dialog(gadget, type == kSaveFileDialog, request);
  } else if (type == kReadFile) {
    const NativeFileRead read = ReadFileForPage(request.text("path"));
    ui_.eval_script(gadget, read.error.empty()
                                ? NativeDataReply(id, {ReplyText("content", EncodeBase64(read.bytes)),
                                                       ReplyNumber("size", static_cast<int64_t>(read.bytes.size()))})
                                : NativeErrorReply(id, read.error));
  } else if (type == kWriteFile) {
    const NativeFileWrite write = WriteFileForPage(request.text("path"), request.text("content"));
    ui_.eval_script(gadget, write.error.empty()
                                ? NativeDataReply(id, {ReplyNumber("bytesWritten", static_cast<int64_t>(write.written))})
                                : NativeErrorReply(id, write.error));
  } else if (type == kWsStart) {
    ui_.eval_script(gadget, NativeErrorReply(id, kWsNotAvailable));
  } else if (type == kWsStop) {
    ui_.eval_script(gadget, NativeDataReply(id));
  } else if (type == kRunCommand) {
    run_command(gadget, request);
  } else if (type.starts_with(kAssistantPrefix)) {
    if (gadget != 0) ui_.eval_script(gadget, NativeErrorReply(id, "not allowed in the preview"));
    else if (!assistant_) ui_.eval_script(gadget, NativeErrorReply(id, "the assistant is not available yet"));
    else if (!assistant_->handle(gadget, type, request)) ui_.eval_script(gadget, NativeErrorReply(id, "unknown request"));
  } else if (type == kPreviewSnapshot) {
    preview_snapshot(request);
  } else if (type == kPreviewScript) {
    if (preview_open()) ui_.eval_script(kPreviewGadget, PreviewFixedScript());
    ui_.eval_script(0, preview_open() ? NativeDataReply(id) : NativeErrorReply(id, "preview not open"));
  } else if (type == kPreviewClose) {
    if (preview_open()) preview_->close_preview();
    ui_.eval_script(0, NativeDataReply(id));
  } else if (type == kPreviewEval) {
    preview_eval(request);
  } else {
    // A flow waiting on an operation that no host has would wait for ever.
    ui_.eval_script(gadget, NativeErrorReply(id, "unknown request"));
  }
}

void NativeChannel::file_dialog(int gadget, bool save, const NativeRequest& request) {
  const std::string pattern = DialogPatternFromFilter(request.text("filter"));
  const std::string default_name = request.text("defaultName");
  const std::string path = save ? ui_.save_file_dialog("Save file", default_name, pattern)
                                : ui_.open_file_dialog("Open file", default_name, pattern);
  ui_.eval_script(gadget, NativeDataReply(request.callback_id, {ReplyText("path", path)}));
}

void NativeChannel::run_command(int gadget, const NativeRequest& request) {
  const std::string command = request.text("command");
  const std::string& id = request.callback_id;
  if (command.empty()) {
    ui_.eval_script(gadget, NativeErrorReply(id, "empty command"));
  } else if (request.text("waitForResult") == "false") {
    ui_.eval_script(gadget, CommandQueue::start_detached(command) ? NativeDataReply(id)
                                                                  : NativeErrorReply(id, "failed to start command"));
  } else if (!commands_.push({command, id, gadget})) {
    ui_.eval_script(gadget, NativeErrorReply(id, "too many commands waiting"));
  }
}

void NativeChannel::preview_snapshot(const NativeRequest& request) {
  if (!snapshot_pending_.empty()) ui_.eval_script(0, NativeErrorReply(snapshot_pending_, "superseded"));
  snapshot_pending_.clear();
  if (!preview_open()) {
    ui_.eval_script(0, NativeErrorReply(request.callback_id, "preview not open"));
    return;
  }
  snapshot_pending_ = request.callback_id;
  ui_.eval_script(kPreviewGadget, PreviewSnapshotScript());
}

void NativeChannel::preview_eval(const NativeRequest& request) {
  if (!evaluation_pending_.empty()) ui_.eval_script(0, NativeErrorReply(evaluation_pending_, "superseded"));
  evaluation_pending_.clear();
  const auto code = DecodeBase64(request.text("code"));
  if (!preview_open() || !code || code->empty()) {
    ui_.eval_script(0, NativeErrorReply(request.callback_id, preview_open() ? "no code" : "preview not open"));
    return;
  }
  evaluation_pending_ = request.callback_id;
  ui_.eval_script(kPreviewGadget, PreviewEvalScript(*code));
}

void NativeChannel::answer_relay(std::string& pending, const std::string& value) {
  if (pending.empty()) return;
  const std::string id = std::move(pending);
  pending.clear();
  if (value.empty() || value == kPreviewRelayFailed) {
    ui_.eval_script(0, NativeErrorReply(id, "the preview gave no answer"));
    return;
  }
  const bool snapshot = &pending == &snapshot_pending_;
  ui_.eval_script(0, NativeDataReply(id, {ReplyText(snapshot ? "snapshot" : "result", EncodeBase64(value))}));
}
