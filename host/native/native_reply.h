// The two halves of the native request protocol that every operation shares: reading a request
// ({cbId, data} with data itself JSON text) and writing the reply script that settles the page's
// promise, window._qlNativeCallback(<id>, {data: {...}} | {error: <text>}).
#pragma once
#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Whether an id has the form the pages make ("cb_" + counter + "_" + time, both base 36). Any other
// id is dropped unanswered: it goes into a script, and a preview relay's reply runs in the editor.
bool IsNativeCallbackId(std::string_view id);

struct NativeRequest {
  std::string callback_id;   // "" when absent or not a string
  nlohmann::json data;       // an object; empty when data is absent, no text, or no JSON object
  // A member of data as text: "" when absent or not a string.
  std::string text(const char* member) const;
};
// Reads a request's value; a value that does not parse gives an empty id and data.
NativeRequest ParseNativeRequest(const std::string& value);

// One member of a reply's data object, already in script form.
struct ReplyMember {
  std::string name;
  std::string literal;
};
ReplyMember ReplyText(std::string name, std::string_view text);
ReplyMember ReplyNumber(std::string name, int64_t number);

std::string NativeDataReply(const std::string& callback_id, std::initializer_list<ReplyMember> members = {});
std::string NativeErrorReply(const std::string& callback_id, std::string_view error);
