#pragma once
// Writing a file so that its old contents survive until the new ones are complete: the bytes
// go to a temporary file beside it, which replaces it in one rename. A failed write, a full
// disk or an exit half way leaves the old file as it was.
#include <cstdio>
#include <string>

namespace wl {

class FileReplacement {
public:
    // A symbolic link keeps its link: the file it names is the one replaced, as writing
    // through the link would have done.
    explicit FileReplacement(const std::string& target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file. False when the target exists but is not a regular file (a
    // folder, a device, a FIFO), or when the folder takes no new file; see error().
    bool open();
    std::FILE* file() const { return file_; }
    // Where the bytes will end up, links resolved.
    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temp_; }

    // Writes the bytes out to the disk and renames the temporary file over the target. On
    // failure the temporary file is removed and the target is untouched.
    bool commit();
    // Removes the temporary file; the target is untouched.
    void discard();

    // Why the last step failed, as the system says it ("No space left on device").
    const std::string& error() const { return error_; }

private:
    std::string target_, temp_, error_;
    std::FILE* file_ = nullptr;

    bool failed(int err);
};

// Whether the path names a regular file, links followed; false for what does not exist.
bool isRegularFile(const std::string& path);

}  // namespace wl
