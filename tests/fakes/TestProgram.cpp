#include "TestProgram.h"

#include <fstream>
#include <iterator>
#include <random>

namespace wl::test {

TempWorkingDir::TempWorkingDir() {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("wl-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
}

TempWorkingDir::~TempWorkingDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string readFileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace wl::test
