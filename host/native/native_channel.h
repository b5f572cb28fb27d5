// The host's side of the native request protocol for both of its web views: the editor (gadget 0) and
// the device preview (gadget 1). Requests are "native_" messages whose value is {cbId, data}; each is
// answered by a script run later or at once, in the web view that asked. The four preview relays
// (snapshot, script, close, evaluation) are the exception: they serve the editor and answer there.
#pragma once
#include <string>
#include <string_view>

#include "assistant_relay.h"
#include "command_queue.h"
#include "host_ui.h"
#include "native_names.h"
#include "native_reply.h"

// What the channel needs of the device preview.
class PreviewLink {
public:
  virtual ~PreviewLink() = default;
  virtual bool preview_open() const = 0;
  virtual void close_preview() = 0;
};

// The relays into the device preview, for the editor. The evaluation's code comes as Base64 in
// data.code; the snapshot answers {snapshot}, the evaluation {result}, both Base64 of UTF-8 JSON text.
inline constexpr std::string_view kPreviewSnapshot = "native_preview_snapshot";
inline constexpr std::string_view kPreviewScript = "native_preview_script";
inline constexpr std::string_view kPreviewClose = "native_preview_close";
inline constexpr std::string_view kPreviewEval = "native_preview_eval";
// The editor assistant's requests all begin so; only the editor's own web view may make them (the
// preview runs the design's code, which must never reach the assistant's key or endpoint).
inline constexpr std::string_view kAssistantPrefix = "native_ai_";

// Messages of the preview page that answer a relay, and the text it sends when it has no answer.
inline constexpr std::string_view kPreviewSnapshotReply = "_preview_snapshot_reply";
inline constexpr std::string_view kPreviewEvalReply = "_preview_eval_reply";
inline constexpr std::string_view kPreviewRelayFailed = "__ql_preview_relay_failed__";

// The refusal of native_ws_start: only standalone applications run a WebSocket relay.
inline constexpr std::string_view kWsNotAvailable = "the WebSocket relay is not available in the editor preview";

class NativeChannel {
public:
  NativeChannel(HostUi& ui, int command_timer) : ui_(ui), commands_(ui, command_timer) {}

  void set_preview(PreviewLink* preview) { preview_ = preview; }
  // The assistant's settings and relay; without one its requests are answered as not available.
  void set_assistant(AssistantRelay* assistant) { assistant_ = assistant; }

  // HandleNativeRequest: types that do not begin "native_" are ignored; a request whose callback id
  // is not well formed gets no reply (there is nothing safe to answer to).
  void handle(int gadget, const std::string& type, const std::string& value);
  // The queued-command timer step of the main loop.
  void run_queued_command() { commands_.step(); }
  CommandQueue& commands() { return commands_; }

  // The preview page's answer to a pending snapshot or evaluation: relayed to the editor (gadget 0)
  // as Base64, or as an error when it is empty or the failure text. Dropped when nothing is pending.
  void answer_snapshot(const std::string& value) { answer_relay(snapshot_pending_, value); }
  void answer_evaluation(const std::string& value) { answer_relay(evaluation_pending_, value); }
  const std::string& snapshot_pending() const { return snapshot_pending_; }
  const std::string& evaluation_pending() const { return evaluation_pending_; }

private:
  void file_dialog(int gadget, bool save, const NativeRequest& request);
  void run_command(int gadget, const NativeRequest& request);
  void preview_snapshot(const NativeRequest& request);
  void preview_eval(const NativeRequest& request);
  bool preview_open() const { return preview_ && preview_->preview_open(); }
  void answer_relay(std::string& pending, const std::string& value);

  HostUi& ui_;
  CommandQueue commands_;
  PreviewLink* preview_ = nullptr;
  AssistantRelay* assistant_ = nullptr;
  // PreviewRelaySlots: at most one pending request of each kind.
  std::string snapshot_pending_;
  std::string evaluation_pending_;
};

// The scripts the host runs in the preview for its relays.
std::string PreviewSnapshotScript();
std::string PreviewEvalScript(const std::string& code);
std::string PreviewFixedScript();
