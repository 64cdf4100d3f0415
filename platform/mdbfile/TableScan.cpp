#include "platform/mdbfile/TableScan.h"

#include <sys/stat.h>

#include <cstdint>
#include <optional>

#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

// The flags in a slot's offset.
constexpr int kDeleted = 0x8000;  // deleted, or the stored form of a moved row
constexpr int kPointer = 0x4000;  // the slot holds where the row now stands
constexpr int kOffset = 0x1fff;
constexpr std::uint8_t kDataPage = 0x01;

std::uint32_t Little32(const unsigned char* at) {
    return static_cast<std::uint32_t>(LittleEndian(at, 4));
}

std::uint64_t PagesInFile(MdbHandle* mdb) {
    struct stat status {};
    if (fstat(fileno(mdb->f->stream), &status) != 0 || status.st_size < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size) /
           static_cast<std::uint64_t>(mdb->fmt->pg_size);
}

// Where a row stands: its first byte and length on the page in the buffer.
struct Place {
    int start = 0;
    std::size_t length = 0;
};

class Scan {
public:
    Scan(MdbHandle* mdb, MdbTableDef* table, const RowReader& read)
        : mdb_(mdb), table_(table), read_(read), pages_(PagesInFile(mdb)) {}

    Damage Run() {
        mdb_rewind_table(table_);
        const auto pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
        while (mdb_read_next_dpg(table_) > 0) {
            const guint32 page = table_->cur_phys_pg;
            const auto slots =
                static_cast<std::size_t>(mdb_get_int16(mdb_->pg_buf, mdb_->fmt->row_count_offset));
            if (mdb_->fmt->row_count_offset + 2 * (slots + 1) > pageSize) {
                damage_.Add("a page holds more rows than fit on it");
                continue;
            }
            for (std::size_t slot = 0; slot < slots; ++slot) {
                if (!ReadSlot(page, static_cast<int>(slot))) {
                    break;  // the rest of the page is as doubtful
                }
            }
        }
        return damage_;
    }

private:
    // False when the page's slots can no longer be trusted.
    bool ReadSlot(guint32 page, int slot) {
        int start = 0;
        std::size_t length = 0;
        if (mdb_find_row(mdb_, slot, &start, &length) != 0) {
            damage_.Add("a row lies outside its page");
            return false;
        }
        if (start & kDeleted) {
            return true;
        }
        if (!(start & kPointer)) {
            Read({start & kOffset, length});
            return true;
        }
        if (const auto moved = Follow({start & kOffset, length})) {
            Read(*moved);
        }
        // The slot's own page is back in the buffer for the slots after it.
        return mdb_read_pg(mdb_, page) == mdb_->fmt->pg_size;
    }

    void Read(const Place& row) {
        if (!read_(row.start, row.length)) {
            damage_.Add("a row's columns cannot be told apart");
        }
    }

    // Follows the pointer at `slot` to the page where the row stands, and
    // leaves that page in the buffer. The row's stored form is marked as
    // one, so that the scan passes over it where it stands; a pointer to
    // anything else is damage, and following it could read a row twice or
    // go round in a circle.
    std::optional<Place> Follow(Place slot) {
        if (slot.length < 4) {
            damage_.Add("a row points nowhere");
            return std::nullopt;
        }
        const std::uint32_t pointer = Little32(mdb_->pg_buf + slot.start);
        const std::uint32_t page = pointer >> 8;
        if (page == 0 || page >= pages_) {
            damage_.Add("a row points outside the file");
            return std::nullopt;
        }
        const int row = static_cast<int>(pointer & 0xff);
        int start = 0;
        if (mdb_read_pg(mdb_, page) != mdb_->fmt->pg_size || mdb_->pg_buf[0] != kDataPage ||
            Little32(mdb_->pg_buf + 4) != table_->entry->table_pg ||
            row >= mdb_get_int16(mdb_->pg_buf, mdb_->fmt->row_count_offset) ||
            mdb_find_row(mdb_, row, &start, &slot.length) != 0 ||
            (start & (kDeleted | kPointer)) != kDeleted) {
            damage_.Add("a row points to a place where none of the table's moved rows is");
            return std::nullopt;
        }
        slot.start = start & kOffset;
        return slot;
    }

    MdbHandle* mdb_;
    MdbTableDef* table_;
    const RowReader& read_;
    std::uint64_t pages_;
    Damage damage_;
};

}  // namespace

Damage ScanRows(MdbHandle* mdb, MdbTableDef* table, const RowReader& read) {
    return Scan(mdb, table, read).Run();
}

}  // namespace kestrova::mdbfile
