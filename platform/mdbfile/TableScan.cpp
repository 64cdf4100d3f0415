#include "platform/mdbfile/TableScan.h"

#include <sys/stat.h>

#include <cstdint>
#include <optional>

#include "platform/mdbfile/DataPage.h"

namespace kestrova::mdbfile {

namespace {

std::uint64_t PagesInFile(MdbHandle* mdb) {
    struct stat status {};
    if (fstat(fileno(mdb->f->stream), &status) != 0 || status.st_size < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size) /
           static_cast<std::uint64_t>(mdb->fmt->pg_size);
}

class Scan {
public:
    Scan(MdbHandle* mdb, MdbTableDef* table, const RowReader& read)
        : mdb_(mdb),
          table_(table),
          read_(read),
          pages_(PagesInFile(mdb)),
          layout_{static_cast<std::size_t>(mdb->fmt->pg_size),
                  static_cast<std::size_t>(mdb->fmt->row_count_offset)} {}

    Damage Run() {
        mdb_rewind_table(table_);
        while (mdb_read_next_dpg(table_) > 0) {
            const guint32 page = table_->cur_phys_pg;
            const auto slots = SlotCount(Page(), layout_);
            if (!slots) {
                damage_.Add("a page holds more rows than fit on it");
                continue;
            }
            for (std::size_t slot = 0; slot < *slots; ++slot) {
                if (!ReadSlot(page, slot)) {
                    break;  // the rest of the page is as doubtful
                }
            }
        }
        return damage_;
    }

private:
    // The page in the library's buffer.
    std::string_view Page() const {
        return std::string_view(reinterpret_cast<const char*>(mdb_->pg_buf), layout_.pageSize);
    }

    // False when the page's slots can no longer be trusted.
    bool ReadSlot(guint32 page, std::size_t n) {
        const auto slot = SlotAt(Page(), layout_, n);
        if (!slot) {
            damage_.Add("a row lies outside its page");
            return false;
        }
        if (slot->kind == Slot::Deleted) {
            return true;
        }
        if (slot->kind == Slot::Row) {
            Read(*slot);
            return true;
        }
        if (const auto moved = Follow(*slot)) {
            Read(*moved);
        }
        // The slot's own page is back in the buffer for the slots after it.
        return mdb_read_pg(mdb_, page) == mdb_->fmt->pg_size;
    }

    void Read(const Slot& row) {
        if (!read_(static_cast<int>(row.start), row.length)) {
            damage_.Add("a row's columns cannot be told apart");
        }
    }

    // Follows a pointer to the page where its row stands, and leaves that
    // page in the buffer.
    std::optional<Slot> Follow(const Slot& pointer) {
        const auto moved = PointerOf(Page().substr(pointer.start, pointer.length));
        if (!moved) {
            damage_.Add("a row points nowhere");
            return std::nullopt;
        }
        if (moved->page == 0 || moved->page >= pages_) {
            damage_.Add("a row points outside the file");
            return std::nullopt;
        }
        const auto stored = mdb_read_pg(mdb_, moved->page) == mdb_->fmt->pg_size
                                ? MovedRowAt(Page(), layout_, table_->entry->table_pg, moved->row)
                                : std::nullopt;
        if (!stored) {
            damage_.Add("a row points to a place where none of the table's moved rows is");
        }
        return stored;
    }

    MdbHandle* mdb_;
    MdbTableDef* table_;
    const RowReader& read_;
    std::uint64_t pages_;
    PageLayout layout_;
    Damage damage_;
};

}  // namespace

Damage ScanRows(MdbHandle* mdb, MdbTableDef* table, const RowReader& read) {
    return Scan(mdb, table, read).Run();
}

}  // namespace kestrova::mdbfile
