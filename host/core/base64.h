// Standard Base64 (RFC 4648 alphabet): how files and command output travel in native replies, and how
// pages send pictures and file contents to the host.
#pragma once
#include <optional>
#include <string>
#include <string_view>

// With "=" completing the last group.
std::string EncodeBase64(std::string_view bytes);
// Padding optional; nullopt for any other character (blanks and line breaks included) or an
// impossible length.
std::optional<std::string> DecodeBase64(std::string_view text);
