#pragma once
// A CUE sheet as libcdio can read it. Its CUE driver reads the file named like the sheet with
// ".bin" whatever the FILE line says, and knows a sheet only by a lower-case ".cue". Sheets
// made elsewhere often differ from both ("CDDA.BIN" beside cdda.bin, a FILE line naming a file
// long renamed): this finds the data file the sheet means and, when libcdio would not find
// it, hands libcdio a private folder holding a copy of the sheet beside a link to that file.
#include <filesystem>
#include <string>

namespace wl::cdrom {

// True when the name ends in ".cue" in any case: the user's word that it is a sheet.
bool looksLikeCueSheet(const std::filesystem::path& image);

class CueImage {
public:
    // Reads the sheet; on failure why() says why, in words for "Disc image ... refused: ".
    explicit CueImage(const std::filesystem::path& sheet);
    ~CueImage();  // the private folder goes
    CueImage(const CueImage&) = delete;
    CueImage& operator=(const CueImage&) = delete;

    const std::string& why() const { return why_; }
    const std::filesystem::path& dataFile() const { return data_; }
    // The sheet to give libcdio: the user's own, or the private copy.
    const std::filesystem::path& openPath() const { return open_; }

private:
    std::string why_;
    std::filesystem::path data_, open_, staged_;
};

}  // namespace wl::cdrom
