// The operations of the native request protocol of pages, as every program that shows pages names them.
#pragma once
#include <string_view>

// The page protocol's operations.
inline constexpr std::string_view kOpenFileDialog = "native_open_file_dialog";
inline constexpr std::string_view kSaveFileDialog = "native_save_file_dialog";
inline constexpr std::string_view kReadFile = "native_read_file";
inline constexpr std::string_view kWriteFile = "native_write_file";
inline constexpr std::string_view kWsStart = "native_ws_start";
inline constexpr std::string_view kWsStop = "native_ws_stop";
inline constexpr std::string_view kRunCommand = "native_run_command";
