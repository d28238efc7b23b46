#pragma once
// A web service's answer in the program's own words: one plain sentence per status, the same
// for every service, never a network library's text.
#include <string>

#include "platform/WebFetch.h"

namespace wl {

// What went wrong, to follow the service's name: "could not be reached (no network, ...)".
// http: the server's code for an HttpError.
std::string WebFailureClause(WebStatus status, long http);

// "<service> <clause>." as a whole sentence.
std::string WebFailureSentence(const std::string& service, WebStatus status, long http);

}  // namespace wl
