// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessReader.h"

#include "storage/AccessStream.h"
#include "storage/AccessText.h"

#include <cerrno>
#include <cstring>
#include <mdbtools.h>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int memoHeader = MDB_MEMO_OVERHEAD;
// A memo is at most 2^24 bytes long: its chain of pages ends well before this.
constexpr int maxMemoPages = 1 << 16;
// A row's place in the row table of its page, without its flags.
constexpr std::size_t offsetMask = 0x1fff;

bool writeAll(int fd, std::string& buffer) {
    const char* p = buffer.data();
    std::size_t left = buffer.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= std::size_t(n);
    }
    buffer.clear();
    return true;
}

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

class TableReader {
public:
    TableReader(MdbHandle* mdb, MdbTableDef* table) : mdb_(mdb), table_(table) {
        jet3_ = mdb->f->jet_version == MDB_VER_JET3;
    }

    // The raw bytes of the text in a row's field.
    std::string text(const unsigned char* data, std::size_t size) const {
        return jet3_ ? AccessText::fromJet3(data, size) : AccessText::fromJet4(data, size);
    }

    // One row of a memo's page (page number times 256 plus row): the page must
    // be a page of long values and the row must lie inside it. Anything else is
    // damage, never text: a zeroed page would otherwise read as a row of zeros.
    void memoRow(std::uint32_t pageRow, const unsigned char*& row, std::size_t& length) {
        const std::uint32_t page = pageRow >> 8, index = pageRow & 0xff;
        const std::size_t size = mdb_->fmt->pg_size;
        if (page == 0 || mdb_read_alt_pg(mdb_, page) != ssize_t(size))
            throw Damaged();
        const unsigned char* p = mdb_->alt_pg_buf;
        const std::size_t count = mdb_->fmt->row_count_offset;
        const auto u16 = [p](std::size_t at) { return std::size_t(p[at] | p[at + 1] << 8); };
        const std::size_t rows = u16(count);
        const std::size_t table = count + 2 + 2 * rows;
        if (p[0] != 0x01 || std::memcmp(p + 4, "LVAL", 4) != 0 || index >= rows || table > size)
            throw Damaged();
        const std::size_t entry = u16(count + 2 + 2 * index);
        const std::size_t start = entry & offsetMask;
        const std::size_t end = index == 0 ? size : u16(count + 2 * index) & offsetMask;
        // A deleted row, or one that lies in the row table or past its neighbour.
        if ((entry & 0x8000) || start < table || start > end || end > size)
            throw Damaged();
        row = p + start;
        length = end - start;
    }

    // A memo's bytes: inline, on one page, or on a chain of pages.
    std::string memo(int start, int size) {
        if (size < memoHeader)
            return {};
        unsigned char header[memoHeader];
        std::memcpy(header, mdb_->pg_buf + start, memoHeader);
        const std::uint32_t length = u32(header);
        if (length & 0x80000000u)
            return text(mdb_->pg_buf + start + memoHeader, std::size_t(size - memoHeader));
        std::uint32_t pageRow = u32(header + 4);
        const unsigned char* row = nullptr;
        std::size_t rowLength = 0;
        if (length & 0x40000000u) {
            memoRow(pageRow, row, rowLength);
            return text(row, rowLength);
        }
        if (length & 0xff000000u)
            throw Damaged();
        const std::size_t total = length & 0x00ffffffu;
        std::vector<unsigned char> bytes;
        bytes.reserve(total);
        for (int pages = 0; pageRow != 0 && bytes.size() < total; ++pages) {
            if (pages > maxMemoPages)
                throw Damaged();
            memoRow(pageRow, row, rowLength);
            if (rowLength < 4)
                throw Damaged();
            const std::size_t part = std::min(rowLength - 4, total - bytes.size());
            bytes.insert(bytes.end(), row + 4, row + 4 + part);
            pageRow = u32(row);
        }
        if (bytes.size() != total)
            throw Damaged();
        return text(bytes.data(), bytes.size());
    }

    // One field of the current row in the stream form.
    void field(std::string& out, MdbColumn* col, const MdbField& f) {
        if (col->col_type == MDB_BOOL) {
            // A Yes/No value lives in the null flags.
            out += '\1';
            AccessStream::putText(out, f.is_null ? "0" : "1");
            return;
        }
        if (f.is_null) {
            out += '\0';
            return;
        }
        if (f.start < 0 || f.siz < 0 || f.start + f.siz > mdb_->fmt->pg_size)
            throw Damaged();
        out += '\1';
        if (col->col_type == MDB_TEXT) {
            AccessStream::putText(out, text(mdb_->pg_buf + f.start, std::size_t(f.siz)));
        } else if (col->col_type == MDB_MEMO) {
            AccessStream::putText(out, memo(f.start, f.siz));
        } else if (col->col_type == MDB_OLE || col->col_type == MDB_BINARY) {
            AccessStream::putText(out, {});
        } else {
            char* s = mdb_col_to_string(mdb_, mdb_->pg_buf, f.start, col->col_type, f.siz);
            AccessStream::putText(out, s ? s : "");
            g_free(s);
        }
    }

    // Cracks the row fetched last again, for its null flags and raw bytes.
    void row(std::string& out) {
        int start = 0;
        std::size_t size = 0;
        if (table_->cur_row == 0 || mdb_find_row(mdb_, int(table_->cur_row) - 1, &start, &size))
            throw Damaged();
        start &= 0x1fff;
        std::vector<MdbField> fields(table_->num_cols);
        const int n = mdb_crack_row(table_, start, size, fields.data());
        if (n < 0 || unsigned(n) < table_->num_cols)
            throw Damaged();
        std::vector<const MdbField*> byColumn(table_->num_cols, nullptr);
        for (const MdbField& f : fields)
            if (f.colnum >= 0 && unsigned(f.colnum) < table_->num_cols)
                byColumn[std::size_t(f.colnum)] = &f;
        out += AccessStream::Row;
        for (unsigned i = 0; i < table_->num_cols; ++i) {
            if (!byColumn[i])
                throw Damaged();
            field(out, static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i)),
                  *byColumn[i]);
        }
    }

    struct Damaged {};

private:
    MdbHandle* mdb_;
    MdbTableDef* table_;
    bool jet3_ = false;
};
} // namespace

namespace AccessReader {
int run(const char* path, const char* wanted, int fd) {
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb)
        return 3;
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        return 3;
    std::string out = AccessStream::magic;
    out += AccessStream::Tables;
    std::vector<MdbCatalogEntry*> tables;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            tables.push_back(entry);
    }
    AccessStream::putU32(out, std::uint32_t(tables.size()));
    MdbCatalogEntry* found = nullptr;
    for (MdbCatalogEntry* entry : tables) {
        AccessStream::putText(out, entry->object_name);
        if (!found && strcasecmp(entry->object_name, wanted) == 0)
            found = entry;
    }
    if (!found) {
        out += AccessStream::NoTable;
        return writeAll(fd, out) ? 0 : 4;
    }
    MdbTableDef* table = mdb_read_table(found);
    if (!table || !mdb_read_columns(table))
        return 3;
    out += AccessStream::Columns;
    AccessStream::putU32(out, table->num_cols);
    for (unsigned i = 0; i < table->num_cols; ++i)
        AccessStream::putText(out,
                              static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->name);
    AccessStream::putU32(out, table->num_rows);
    mdb_rewind_table(table);
    TableReader reader(mdb, table);
    std::uint32_t rows = 0;
    try {
        while (mdb_fetch_row(table)) {
            reader.row(out);
            ++rows;
            if (out.size() > (1 << 16) && !writeAll(fd, out))
                return 4;
        }
    } catch (const TableReader::Damaged&) {
        writeAll(fd, out);
        return 3;
    }
    // Rows the table definition counts but no page held: pages are missing.
    if (rows != table->num_rows) {
        writeAll(fd, out);
        return 3;
    }
    out += AccessStream::End;
    AccessStream::putU32(out, rows);
    return writeAll(fd, out) ? 0 : 4;
}
} // namespace AccessReader
