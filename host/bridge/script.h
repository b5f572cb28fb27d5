// The one encoder for every text that the host places into a script run in a page.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

// A double-quoted script string literal holding `text` exactly. Quotes, backslashes, line breaks,
// control characters, U+2028/U+2029 and '<' are escaped, so the literal can neither end early nor
// close a surrounding <script> element; bytes that are not UTF-8 become U+FFFD.
std::string JsString(std::string_view text);

// "name(<arg1>, <arg2>)" with every argument passed through JsString.
std::string JsCall(std::string_view function, std::initializer_list<std::string_view> args);
// The same call, made only when the page defines the function, so a page that lacks it (an older
// page, or one still loading) is not sent into an error.
std::string JsCallIfDefined(std::string_view function, std::initializer_list<std::string_view> args);
