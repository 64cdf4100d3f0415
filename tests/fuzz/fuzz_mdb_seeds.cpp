// fuzz_mdb_seeds FOLDER FILE...: cuts seeds for the .mdb decoding targets
// from real files: their first pages (FOLDER/header), a few data pages each
// with a page of the same table beside it (FOLDER/datapage), and a few
// table definitions and rows, each row offered as a field of some type
// (FOLDER/field). A few seeds a file keep the corpus small.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mdbfile/DataPage.h"
#include "tests/fuzz/MdbLayouts.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrova;

constexpr std::size_t kHeaderBytes = 0x300;
constexpr int kPagesOfAKind = 3;
constexpr int kRowsOfAFile = 8;

void Write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t OwnerOf(const std::string& page) {
    std::uint32_t owner = 0;
    std::memcpy(&owner, page.data() + 4, 4);
    return owner;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_mdb_seeds FOLDER FILE...\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* kind : {"header", "datapage", "field"}) {
        fs::create_directories(out / kind);
    }
    for (int a = 2; a < argc; ++a) {
        std::ifstream in(argv[a], std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), {});
        if (file.size() < kHeaderBytes) {
            continue;
        }
        const std::string name = fs::path(argv[a]).stem().string();
        Write(out / "header" / name, file.substr(0, kHeaderBytes));
        const auto version = static_cast<std::uint8_t>(file[0x14] == 0   ? 0
                                                       : file[0x14] == 1 ? 1
                                                                         : 2);
        const auto layout = fuzz::PageLayoutOf(static_cast<fuzz::Version>(version));
        std::vector<std::string> data;
        int definitions = 0;
        for (std::size_t at = layout.pageSize; at + layout.pageSize <= file.size();
             at += layout.pageSize) {
            const std::string page = file.substr(at, layout.pageSize);
            if (page[0] == 1 && data.size() < kPagesOfAKind) {
                data.push_back(page);
            } else if (page[0] == 2 && definitions < kPagesOfAKind) {
                Write(out / "field" / (name + "-definition-" + std::to_string(definitions++)),
                      std::string("\x01", 1) + static_cast<char>(version) + page);
            }
        }
        int rows = 0;
        for (std::size_t p = 0; p < data.size(); ++p) {
            const std::string& page = data[p];
            std::string owner(4, '\0');
            const std::uint32_t table = OwnerOf(page);
            std::memcpy(owner.data(), &table, 4);
            const std::string& beside = data[(p + 1) % data.size()];
            Write(out / "datapage" / (name + "-" + std::to_string(p)),
                  static_cast<char>(version) + owner + page + beside);
            const auto count = mdbfile::SlotCount(page, layout);
            for (std::size_t n = 0; count && n < *count && rows < kRowsOfAFile; ++n) {
                const auto slot = mdbfile::SlotAt(page, layout, n);
                if (slot && slot->kind == mdbfile::Slot::Row) {
                    // As a field: the type chosen by the row's number.
                    const std::string head = {'\0', static_cast<char>(rows), '\x04', '\0'};
                    Write(out / "field" / (name + "-row-" + std::to_string(rows++)),
                          head + page.substr(slot->start, slot->length));
                }
            }
        }
    }
    return 0;
}
