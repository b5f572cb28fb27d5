// The editor page packed into the program at build time and served from memory.
#pragma once
#include <span>
#include <string_view>

struct EmbeddedFile {
  std::string_view key;    // "" for the start page; every file also under its path, e.g. "editor/shell/boot.js"
  std::string_view bytes;
};

// Every packed file; complete before the server thread starts and read-only afterwards.
std::span<const EmbeddedFile> EmbeddedEditorPage();
// nullptr when no packed file has this key.
const EmbeddedFile* FindEmbeddedFile(std::string_view key);
