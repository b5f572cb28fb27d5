// Window-level services that the bridge runs in place for the editor page.
#pragma once
#include <optional>

#include "cli_project.h"
#include "event_loop.h"
#include "host_ui.h"

class WindowServices {
public:
  WindowServices(HostUi& ui, HostLoop& loop) : ui_(ui), loop_(loop) {}

  // A project named on the command line, delivered at the first page_ready.
  void set_pending_cli_project(CliProject project) { pending_cli_ = std::move(project); }

  // page_ready: the page is up. Show the window, offer the last project, deliver a pending
  // command-line project. A later page_ready (after a reload) offers the last project again.
  void page_ready();

private:
  HostUi& ui_;
  HostLoop& loop_;
  std::optional<CliProject> pending_cli_;
};
