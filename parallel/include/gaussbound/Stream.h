// A stream of independent items computed on several threads and handed back
// in their input order, with a bounded number of them in flight.
//
//   streamInOrder   reads, computes and writes items through the caller's slots
#ifndef GAUSSBOUND_STREAM_H
#define GAUSSBOUND_STREAM_H

#include <cstddef>
#include <functional>

namespace gaussbound {

// Runs items through `threads` workers with at most `window` of them in
// flight. The caller keeps `window` slots of its own; the stream hands each
// slot to one callback at a time:
//
//   read(slot)          fills slot with the next item, on one thread, in
//                       input order; returns false at the end of the input;
//   work(slot, worker)  computes slot's item in place on worker thread
//                       `worker` (0 .. threads - 1), so that each worker may
//                       keep scratch space of its own;
//   write(slot)         takes slot's result on the calling thread, in input
//                       order, as soon as it and every earlier one are done;
//                       returns false to stop the stream (nothing more is
//                       read, computed or written).
//
// Item n goes to slot n % window. The callbacks must not throw. Returns false
// when write stopped the stream. Throws std::invalid_argument, before any
// thread starts, for threads or window 0 or an empty callback.
bool streamInOrder(unsigned threads, size_t window, const std::function<bool(size_t slot)>& read,
                   const std::function<void(size_t slot, unsigned worker)>& work,
                   const std::function<bool(size_t slot)>& write);

}  // namespace gaussbound

#endif
