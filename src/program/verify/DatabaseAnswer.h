#pragma once
// What the AccurateRip and CTDB checks do alike with a database's answer for the disc: take
// it from the cache or the web, keep it, and find a track's place in it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/RipRecord.h"
#include "platform/WebFetch.h"

namespace wl {

// A track's place among the disc's audio tracks (0: the first), as both databases count
// them: data tracks take none.
size_t AudioIndexOf(const uint8_t* toc, int track);

// The answer kept at path, taken as found; false when path is empty or holds no file.
bool TakeKeptAnswer(const std::string& path, AccurateRipLookup& lookup);
// Keeps the answer at path (nothing when path is empty): the whole file or none of it.
void KeepAnswer(const std::string& path, const std::string& bytes);
// The web's answer; a failure's reason names the database first.
void TakeWebAnswer(AccurateRipLookup& lookup, WebAnswer answer, const std::string& database);
// An answer without asking: online lookups are off, or no fetch is wired.
void AnswerUnasked(AccurateRipLookup& lookup, bool lookupsOff);

}  // namespace wl
