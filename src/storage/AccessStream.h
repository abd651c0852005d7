// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How the Access reader hands a table over to the program through a pipe:
// a magic word, the names of the database's tables, then either "no such
// table" or the table's column names, its rows and an end mark with the row
// count. Every field is a null mark or a length and UTF-8 bytes.
namespace AccessStream {
inline constexpr char magic[] = "QACC1";
enum Tag : char { Tables = 'T', NoTable = 'N', Columns = 'C', Row = 'R', End = 'E' };

// Appends the wire form of values to a buffer.
void putU32(std::string& out, std::uint32_t v);
void putText(std::string& out, const std::string& text);

// Reads the wire form back from a buffer that may end anywhere: every read
// checks its length, so damaged or short input only ever fails.
class Cursor {
public:
    Cursor(const char* data, std::size_t size) : data_(data), size_(size) {}
    bool u8(char& v);
    bool u32(std::uint32_t& v);
    bool text(std::string& v);
    std::size_t used() const { return at_; }

private:
    const char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};
} // namespace AccessStream
