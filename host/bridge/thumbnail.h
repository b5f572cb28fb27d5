// The project's picture for the project picker: the page sends "<name>|<Base64 PNG>" after a save,
// the host stores the PNG at ProjectThumbnailPath(name), where the HTTP server's thumb/ route reads it.
#pragma once
#include <string>

#include "base64.h"

// Writes the thumbnail, replacing an earlier one. Nothing is written (and an earlier file stays) when
// the value has no "|", the name is not a valid project name, the data is empty, is not Base64 or is
// not a PNG. The file is replaced atomically, so the server thread reads either picture whole.
// True when the file was written.
bool SaveProjectThumbnail(const std::string& value);
