// Native requests of a page ("native_" messages with {cbId, data}). Until the operations are in
// place every request is answered with the error "not available", so no page promise waits for ever.
#pragma once
#include <string>

#include "host_ui.h"

// The callback id of a request's value; "" when the value is not such JSON (nothing can be answered).
std::string NativeRequestCallbackId(const std::string& value);
// The reply script for an error: window._qlNativeCallback('<cbId>', {error: '<text>'}).
std::string NativeErrorReply(const std::string& callback_id, const std::string& error);

// Answers in the web view that asked (`gadget`).
void HandleNativeRequest(HostUi& ui, int gadget, const std::string& type, const std::string& value);
