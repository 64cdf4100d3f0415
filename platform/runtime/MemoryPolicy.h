#pragma once

#include <functional>

namespace kestrova::runtime {

// Start-up builds the page in a few very large blocks, one after the other.
// While an object of this class lives, freed large blocks are kept for
// reuse instead of being handed back to the system and asked for afresh,
// which saves the cost of the system clearing new memory for each of them.
// When it ends, the allocator's usual policy is back and the memory kept
// for reuse is handed back to the system.
class LargeBlockReuse {
public:
    LargeBlockReuse();
    ~LargeBlockReuse();
    LargeBlockReuse(const LargeBlockReuse&) = delete;
    LargeBlockReuse& operator=(const LargeBlockReuse&) = delete;

    // Whether such an object lives now, in this process.
    static bool InForce();
    // Memory that an owner keeps for reuse of its own: `release` gives it
    // back, and runs when the last such object ends (at once when none
    // lives). An owner that goes first must Forget itself.
    static void ReleaseWhenDone(const void* owner, std::function<void()> release);
    static void Forget(const void* owner);
};

}  // namespace kestrova::runtime
