#pragma once

namespace kestrova::runtime {

// Start-up builds the page in a few very large blocks, one after the other.
// Keeping freed large blocks for reuse, instead of handing them back to the
// system and asking for fresh ones, saves the cost of the system clearing
// new memory for every one of them.
void KeepLargeBlocksForReuse();

// Hands memory kept for reuse back to the system, once the page is built.
void ReleaseKeptMemory();

}  // namespace kestrova::runtime
