// A project as one zip file (".pqui"), and such a file taken back. Plain C++ over libarchive, with
// no window and no page: the editor commands (commands/commands_zip.cpp) ask the user and tell the
// page; everything that decides what is written where lives here.
//
// The zip of project N (entry names use "/"):
//   N.qui            the document, at the root
//   N/N.qui          the same document again, inside the project folder entry
//   N/<relative>     every other regular file of the project folder, sub-folders included
// A file named N.qui at any depth of the folder is not packed by the tree walk (the document is
// already there); links, empty folders and the host's own temporary files are never packed.
//
// Import never writes where a zip says: each entry name is checked segment by segment and only
// regular files below N/ (and the document) are written, into a fresh work folder inside the
// projects folder. The project is replaced by that folder only once everything was unpacked; until
// then the old project stays as it was, and a failed import leaves nothing behind.
#pragma once
#include <cstdint>
#include <string>

#include "shared_state.h"

// The extension of a project archive.
inline constexpr const char* kProjectZipExtension = ".pqui";
// Folders the host makes inside the projects folder while it works (an import being unpacked, a
// replaced project being removed). They are never projects.
inline constexpr const char* kHostWorkFolderPrefix = ".quorlin-";

// What an import accepts at most; a zip beyond these is refused and changes nothing.
struct ZipLimits {
  uint64_t entry_bytes = kProjectDocumentLimit;   // one unpacked file
  uint64_t total_bytes = 4ull << 30;               // every unpacked file together
  uint64_t entries = 100000;                       // entries in the zip, skipped ones included
};

// Writes the zip of project `name` to `zip_path` (through a temporary file beside it, renamed into
// place once complete). `document` is the document file, `project_folder` (ending with '/') the
// project folder, which may be missing. "" on success, else why not.
std::string WriteProjectZip(const std::string& zip_path, const std::string& name, const std::string& document,
                            const std::string& project_folder);

// The document the export packs: the one where the layout in force puts it, else the other place
// (a project brought over from the other layout). "" when neither has a byte.
std::string ExportDocumentOf(const ProjectsPlace& place, const std::string& name);

// What a zip holds before anything is written.
struct ZipScan {
  std::string error;          // "" when the zip could be read
  std::string name;           // the project name it carries; "" when it carries none usable
  bool has_document = false;  // a regular file N.qui or N/N.qui is there
};
// Finds the project name: the first document entry (a name ending in ".qui") at the root decides;
// without one, the first document entry inside a folder. A name that could not name a project
// (empty, "..", not UTF-8, with a separator or a control character) is no name.
ZipScan ScanProjectZip(const std::string& zip_path);

// The outcome of an unpack.
struct ZipUnpack {
  std::string error;        // "" on success
  uint64_t files = 0;       // files written
  uint64_t skipped = 0;     // entries not written: unsafe names, links, outside N/, other projects
};
// Unpacks the files of project `name` from `zip_path` into `work_folder` (ending with '/', created
// here and empty): N/<rel> to <rel>, the document (N.qui, else N/N.qui) to N.qui. On failure (a read error, a limit, no document, a write that failed) the
// caller removes the work folder.
ZipUnpack UnpackProjectZip(const std::string& zip_path, const std::string& name, const std::string& work_folder,
                           const ZipLimits& limits = {});

// Puts an unpacked work folder in the place of project `name`: in the default layout the folder
// with its document becomes <projects>/N/; in the other layout the folder becomes <projects>/N/ and
// its N.qui becomes <projects>/N.qui. The old project is moved aside first and removed only after
// the new one is in place; when a step fails the old one is put back. "" on success.
std::string InstallUnpackedProject(const ProjectsPlace& place, const std::string& name, const std::string& work_folder);

// A fresh, empty work folder inside the projects folder (ending with '/'); "" when none can be made.
std::string MakeWorkFolder(const std::string& projects_folder, const std::string& purpose);

// True when `text` is well-formed UTF-8.
bool IsUtf8(const std::string& text);
