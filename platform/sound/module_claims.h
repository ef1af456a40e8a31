// What a module file claims of the patterns libopenmpt allocates when it loads it, read before
// it does: in the formats whose patterns cost a file almost nothing (an XM pattern's header
// without data, IT patterns sharing one pattern's data or none at all).
#pragma once

#include <cstddef>
#include <cstdint>

namespace fwbass {

// Pattern cells (rows times channels) that loading the module allocates at most; -1 when the
// data is no XM or IT file, whose claims are then known only once it is loaded.
int64_t ClaimedPatternCells(const unsigned char* data, size_t size);

}  // namespace fwbass
