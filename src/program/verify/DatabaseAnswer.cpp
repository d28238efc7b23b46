#include "verify/DatabaseAnswer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "app/FileReplacement.h"
#include "app/WebText.h"
#include "platform/Cdrom.h"

namespace wl {

namespace fs = std::filesystem;

size_t AudioIndexOf(const uint8_t* toc, int track) {
    size_t audioIndex = 0;
    for (int t = toc[2]; t < track && t >= 1 && size_t(t) < kTocMaxEntries; ++t)
        if (!(tocEntry(toc, size_t(t - 1))[1] & 0x04)) ++audioIndex;
    return audioIndex;
}

bool TakeKeptAnswer(const std::string& path, AccurateRipLookup& lookup) {
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    lookup.bytes.assign(std::istreambuf_iterator<char>(in), {});
    lookup.answered = lookup.found = true;
    return true;
}

void KeepAnswer(const std::string& path, const std::string& bytes) {
    if (path.empty()) return;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    FileReplacement file(path);
    if (!file.open()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.file()) != bytes.size())
        file.discard();
    else
        file.commit();
}

void TakeWebAnswer(AccurateRipLookup& lookup, WebAnswer answer, const std::string& database) {
    lookup.answered = true;
    lookup.found = answer.status == WebStatus::Ok;
    lookup.unknown = answer.status == WebStatus::NotFound;
    lookup.bytes = std::move(answer.bytes);
    if (!lookup.found && !lookup.unknown) lookup.why = database + " " + WebFailureClause(answer.status, answer.http);
}

void AnswerUnasked(AccurateRipLookup& lookup, bool lookupsOff) {
    lookup.answered = true;
    lookup.why = lookupsOff ? "online lookups are off" : "not looked up";
}

}  // namespace wl
