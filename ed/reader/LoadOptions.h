#pragma once

#include <cstddef>

namespace ed {

// The values that choose how a load runs: when it takes a second thread, and the sizes of what it
// hands over. A load builds the same structure whatever they are; tests shrink them to drive the
// threaded paths (recycled blocks, the waits) with a few lines.
struct LoadOptions {
    // Files larger than this are read ahead on a second thread: below it a load takes a few
    // milliseconds, less than starting and feeding the thread costs.
    size_t readAheadFrom = size_t{16} << 20;
    // A large file's share of new texts, as bytes of file per text new to the symbol table, for which
    // the table makes room before the first line (du::Symbol::Reserve): files like real exports have
    // one in 150 bytes, files of repeated parts one in 280 (values kept plain not counted). Too many
    // costs slots (16 bytes a text at most), too few costs the growth steps the reservation was to
    // spare; the slots come in powers of two, so either way most files get the same.
    size_t bytesPerNewText = 128;
    // Small enough that a block's bytes are still in the cache when its lines are split and handled.
    size_t blockSize = size_t{256} << 10;
    // Blocks in flight with a reading thread: one being handled, the others filled or being filled,
    // enough for the reader to stay ahead while the memory in flight stays about a megabyte.
    size_t blocksInFlight = 4;
    // The reader, faster than the handler, waits for this many free blocks before it goes on: each
    // wake-up is a system call and, on a virtual machine, a costly one (a wake-up per block was 2 % of
    // a load).
    size_t refillBlocks = 2;
};

}  // namespace ed
