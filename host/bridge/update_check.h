// The update check: where to ask, how to read the answer, when to tell the user.
#pragma once
#include <string>
#include <string_view>

// The update service address: $QUORLIN_UPDATE_URL; "" (no check) when unset.
std::string UpdateCheckUrl();
// The address shown to the user with the alert: $QUORLIN_DOWNLOAD_URL, else the update address.
std::string UpdateDownloadUrl();
// The trimmed value of the "version" member of the service's JSON reply; "" when there is none.
std::string ParseLatestVersion(std::string_view body);
// True only when `latest` is a dotted version greater than `running` (1.10 > 1.9; 1.2 == 1.2.0).
// A running version marked as a development build (holding "-dev") never asks for an update.
bool ShouldAlertUpdate(std::string_view latest, std::string_view running);
