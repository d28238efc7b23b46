#pragma once
// A zero-terminated single-byte text of fixed capacity (terminator included). Assignments
// are cut to fit, never overflow: the program relies on the capacities (a reply copied into
// a 12-byte slot keeps its first 11 characters).
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace wl {

template <size_t N>
class FixedText {
    static_assert(N >= 1);

public:
    FixedText() { buf_.fill(0); }
    FixedText(std::string_view s) { assign(s); }  // NOLINT: implicit on purpose, like a char array
    FixedText& operator=(std::string_view s) { assign(s); return *this; }
    FixedText& operator=(const char* s) { assign(s ? std::string_view(s) : std::string_view()); return *this; }
    FixedText& operator=(const std::string& s) { assign(std::string_view(s)); return *this; }

    void assign(std::string_view s) {
        buf_.fill(0);
        size_t n = s.size() < N - 1 ? s.size() : N - 1;
        std::memcpy(buf_.data(), s.data(), n);
    }
    const char* c_str() const { return buf_.data(); }
    std::string str() const { return std::string(buf_.data(), size()); }
    std::string_view view() const { return std::string_view(buf_.data(), size()); }
    size_t size() const { return ::strnlen(buf_.data(), N); }
    bool empty() const { return buf_[0] == 0; }
    void clear() { buf_.fill(0); }
    static constexpr size_t capacity() { return N; }
    operator std::string_view() const { return view(); }  // NOLINT
    bool operator==(std::string_view s) const { return view() == s; }

private:
    std::array<char, N> buf_;
};

}  // namespace wl
