// Work over many independent items spread on every core: the items are
// taken in fixed chunks, so what each item gives does not depend on how
// many cores there are.
#pragma once

#include <functional>

// The threads InChunks works on at most: one per core.
int ChunkWorkers();

// Calls work(from, to, worker) for the chunks [0, chunk), [chunk, 2 chunk),
// ... of 0..count-1 on every core, `worker` (0..ChunkWorkers() - 1) the
// thread's own number, so that each thread can keep working storage of
// its own. The calling thread waits, calling `goOn` about twenty times a
// second: when it returns false, no further chunk starts. Returns how many
// items were worked, counting from 0 in chunks that all finished: count
// when none was left out.
int InChunks(int count, int chunk, const std::function<void(int from, int to, int worker)>& work,
             const std::function<bool()>& goOn);
// The same on `workers` threads (at least one), `worker` then 0..workers - 1:
// for work that must show it gives the same on any number of cores.
int InChunks(int count, int chunk, int workers, const std::function<void(int from, int to, int worker)>& work,
             const std::function<bool()>& goOn);
