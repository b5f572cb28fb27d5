// export_project_zip and import_project_zip: the dialogs, the question and the page's answers around
// the project archive (zip/project_zip.h decides what is packed and unpacked where).
//
// The page saves the open project before it asks for an export, so the zip holds what the user sees.
// An import changes nothing on disk until its zip has been unpacked completely beside the projects;
// only then is the old project replaced, and the page is handed the document of this very import.
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "project_files.h"
#include "project_paths.h"
#include "project_zip.h"
#include "script.h"
#include "shared_state.h"
#include "support.h"
#include "rt/fs.h"

namespace {

constexpr const char* kZipPattern = "Quorlin project archives|*.pqui|Zip files|*.zip|All files|*";

}  // namespace

void EditorCommands::export_project_zip(const std::string& page_project) {
  const std::string name = GetCurrentProject();
  if (!IsPlainName(name)) {
    toast("No project is open: there is nothing to export.", "error", 4000);
    return;
  }
  // The page names the project it saved; another one must not be packed in its place.
  if (!page_project.empty() && page_project != name) {
    toast("The project \"" + page_project + "\" is not the one the editor has open; nothing was exported.", "error", 6000);
    return;
  }
  const ProjectsPlace place = HostState().projects_place();
  const std::string document = ExportDocumentOf(place, name);
  if (document.empty()) {
    toast("The project \"" + name + "\" has no saved document to export.", "error", 5000);
    return;
  }
  // Offered beside the projects folder: a zip inside it is refused below.
  std::string beside = place.folder;
  while (beside.size() > 1 && beside.back() == '/') beside.pop_back();
  const std::string chosen =
      ui_.save_file_dialog("Export project", rt_path_dir_part(beside) + name + kProjectZipExtension, kZipPattern);
  if (chosen.empty()) return;
  if (!IsAcceptedAbsolutePath(chosen) || chosen.back() == '/') {
    toast("\"" + chosen + "\" cannot hold the zip.", "error", 5000);
    return;
  }
  // The zip would be packed into the tree it is made from.
  if (StaysInside(place.folder, chosen)) {
    toast("The zip cannot be saved inside the projects folder:\n" + place.folder, "error", 6000);
    return;
  }
  ui_.eval_script(0, JsCallIfDefined("_onExportProjectZipStart", {}));
  const std::string error = WriteProjectZip(chosen, name, document, place.folder_of(name));
  if (!error.empty()) {
    HostLog("export_project_zip: " + error);
    ui_.eval_script(0, JsCallIfDefined("_onExportProjectZipError", {error}));
    return;
  }
  HostLog("export_project_zip: " + name + " -> " + chosen);
  ui_.eval_script(0, JsCallIfDefined("_onExportProjectZipDone", {chosen}));
}

void EditorCommands::import_project_zip() {
  const std::string chosen = ui_.open_file_dialog("Import project", ProjectsFolder(), kZipPattern);
  if (chosen.empty()) return;
  const ZipScan scan = ScanProjectZip(chosen);
  if (!scan.error.empty()) {
    toast("The file cannot be read as a zip:\n" + scan.error, "error", 6000);
    return;
  }
  if (scan.name.empty() || !scan.has_document) {
    toast(scan.name.empty() ? "The zip holds no project document."
                            : "The zip holds no document of the project \"" + scan.name + "\".",
          "error", 6000);
    return;
  }
  const std::string name = scan.name;
  const ProjectsPlace place = HostState().projects_place();
  if (place.folder.empty()) return toast("No projects folder is set.", "error", 5000);
  const bool exists = rt_fs_file_size(place.document_of(name)) > 0 || rt_fs_file_size(place.folder_of(name)) != -1;
  if (exists && !ui_.ask_yes_no("Replace project", "A project named \"" + name + "\" already exists in\n" +
                                                      place.folder + "\n\nReplace it with the one in the zip?"))
    return;

  ui_.eval_script(0, JsCallIfDefined("_onImportProjectZipStart", {}));
  // Whatever this import brings, the page never loads an earlier project's staged document.
  std::remove(ProjectStagingPath().c_str());
  const auto fail = [&](const std::string& error) {
    HostLog("import_project_zip: " + error);
    ui_.eval_script(0, JsCallIfDefined("_onImportProjectZipError", {error}));
  };
  const std::string work = MakeWorkFolder(place.folder, "import");
  if (work.empty()) return fail("no folder can be made in " + place.folder);
  const ZipUnpack unpacked = UnpackProjectZip(chosen, name, work);
  std::string document;
  std::string error = unpacked.error;
  if (error.empty() && !rt_file_read_all(work + name + ".qui", document)) error = "the unpacked document cannot be read";
  // A project gets its standard folders even where the zip had none to give (empty ones are not packed).
  for (const char* sub : kProjectSubfolders)
    if (error.empty() && !MakeFolderInside(work, work + sub + "/")) HostLog(std::string("import_project_zip: no ") + sub);
  if (error.empty()) error = InstallUnpackedProject(place, name, work);
  if (!error.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    return fail(error);
  }
  if (unpacked.skipped) HostLog("import_project_zip: " + std::to_string(unpacked.skipped) + " entries not written");
  if (!rt_file_write_atomic(ProjectStagingPath(), document, 0600))
    return fail("the project was imported but cannot be handed to the editor: " + ProjectStagingPath());
  // Only now: the open project stays the current one until the page can load the imported one.
  SetCurrentProject(name);
  current_document_ = place.document_of(name);
  ui_.eval_script(0, JsCallIfDefined("_onImportProjectZipDone", {name}));
}
