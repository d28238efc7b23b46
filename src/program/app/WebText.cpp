#include "app/WebText.h"

namespace wl {

std::string WebFailureClause(WebStatus status, long http) {
    switch (status) {
    case WebStatus::Ok: return "answered";
    case WebStatus::NotFound: return "does not know this disc";
    case WebStatus::HttpError:
        if (http >= 300 && http < 400) return "sent the request on to another address, which is not followed";
        if (http == 503) return "is busy; try again later";
        return "answered with an error (HTTP " + std::to_string(http) + ")";
    case WebStatus::NetworkError: return "could not be reached: no network, or no answer in time";
    case WebStatus::TooLarge: return "sent an answer far too large to be one of its own";
    case WebStatus::NotExpected: return "sent an answer that is not in its expected format";
    }
    return "gave no answer";
}

std::string WebFailureSentence(const std::string& service, WebStatus status, long http) {
    return service + " " + WebFailureClause(status, http) + ".";
}

}  // namespace wl
