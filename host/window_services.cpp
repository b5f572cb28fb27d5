#include "window_services.h"

#include "script.h"
#include "shared_state.h"
#include "support.h"
#include "rt/fs.h"
#include "rt/time.h"

void WindowServices::page_ready() {
  HostLog("page_ready after " + std::to_string(rt_time_elapsed_ms()) + " ms");
  loop_.set_page_ready();
  ui_.show_main_window();

  std::optional<CliProject> cli = std::move(pending_cli_);
  pending_cli_.reset();
  // The command-line project becomes the current (and so the last) project before the page is told.
  std::string delivered;
  if (cli) delivered = DeliverCommandLineProject(*cli, ui_);

  const std::string last = LastProject();
  // The page opens the command-line project itself; offering it as the last project too would load it twice.
  if (!last.empty() && last != delivered && rt_fs_file_size(ProjectDocumentPath(last)) > 0)
    ui_.eval_script(0, JsCallIfDefined("_onLastProject", {last}));
}
