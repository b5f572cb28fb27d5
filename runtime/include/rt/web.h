// Asynchronous HTTP requests over libcurl, polled from the UI loop.
#pragma once
#include <memory>
#include <string>
#include <vector>

enum RtWebMethod { RT_WEB_GET = 0, RT_WEB_POST = 1 };
enum RtWebProgress { RT_WEB_SUCCESS = -2, RT_WEB_FAILURE = -3 };

class RtWebRequest;
struct RtWebRequestDeleter { void operator()(RtWebRequest*) const; };
using RtWebRequestPtr = std::unique_ptr<RtWebRequest, RtWebRequestDeleter>;

// Starts the request on a worker; nullptr when it cannot be started. Destroying the handle aborts a
// running request and waits for its worker (rt_web_finish).
RtWebRequestPtr rt_web_request(RtWebMethod method, const std::string& url, const std::string& body,
                               const std::vector<std::string>& headers = {}, long timeout_ms = 30000);
// RT_WEB_SUCCESS once a reply arrived (any HTTP status), RT_WEB_FAILURE on a transport failure,
// otherwise a value >= 0 while running.
int rt_web_progress(RtWebRequest& request);
int rt_web_status(RtWebRequest& request);      // HTTP status once finished, else 0
std::string rt_web_take_body(RtWebRequest& request);
