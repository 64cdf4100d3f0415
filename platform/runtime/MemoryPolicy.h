#pragma once

namespace kestrova::runtime {

// Start-up reads the data into a few very large blocks, one after the
// other. While an object of this class lives, freed large blocks are kept
// for reuse instead of being handed back to the system and asked for
// afresh, which saves the cost of the system clearing new memory for each
// of them. When the last one ends, the allocator's usual policy is back and
// the memory kept for reuse is handed back to the system. (The page's text
// lies in a file, not in such blocks.)
class LargeBlockReuse {
public:
    LargeBlockReuse();
    ~LargeBlockReuse();
    LargeBlockReuse(const LargeBlockReuse&) = delete;
    LargeBlockReuse& operator=(const LargeBlockReuse&) = delete;
};

}  // namespace kestrova::runtime
