// The ordered stream: one reader thread, the workers, and the calling thread
// as the writer, sharing three counters under one lock. Items [written, read)
// are in flight; [claimed, read) wait for a worker; done marks the slots
// whose result is ready.
#include "gaussbound/Stream.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace gaussbound {

namespace {

class Stream {
public:
    Stream(size_t window, const std::function<bool(size_t)>& read,
           const std::function<void(size_t, unsigned)>& work, const std::function<bool(size_t)>& write)
        : window_(window), read_(read), work_(work), write_(write), done_(window, 0)
    {
    }

    // Fills slots while fewer than window items are in flight, until the
    // input ends or the stream stops.
    void readAll()
    {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || readCount_ - written_ < window_; });
                if (stop_)
                    return;
            }
            // Only this thread moves readCount_, and the slot's earlier item
            // has been written.
            const bool more = read_(readCount_ % window_);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                more ? ++readCount_ : end_ = true;
            }
            changed_.notify_all();
            if (!more)
                return;
        }
    }

    // Claims the next item read and not yet claimed, computes it and marks
    // its slot done, until the input is exhausted or the stream stops.
    void workAll(unsigned worker)
    {
        for (;;) {
            size_t item;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || end_ || claimed_ < readCount_; });
                if (stop_ || claimed_ == readCount_)
                    return;
                item = claimed_++;
            }
            work_(item % window_, worker);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                done_[item % window_] = 1;
            }
            changed_.notify_all();
        }
    }

    // Writes the results in order; returns false when write stopped.
    bool writeAll()
    {
        for (;;) {
            size_t slot;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                slot = written_ % window_;
                changed_.wait(lock, [&] { return done_[slot] || (end_ && written_ == readCount_); });
                if (!done_[slot])
                    return true;
            }
            const bool ok = write_(slot);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                done_[slot] = 0;
                ++written_;
                stop_ = !ok;
            }
            changed_.notify_all();
            if (!ok)
                return false;
        }
    }

private:
    const size_t window_;
    const std::function<bool(size_t)>& read_;
    const std::function<void(size_t, unsigned)>& work_;
    const std::function<bool(size_t)>& write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<char> done_;
    size_t readCount_ = 0, claimed_ = 0, written_ = 0;
    bool end_ = false, stop_ = false;
};

}  // namespace

bool streamInOrder(unsigned threads, size_t window, const std::function<bool(size_t)>& read,
                   const std::function<void(size_t, unsigned)>& work, const std::function<bool(size_t)>& write)
{
    if (threads == 0 || window == 0)
        throw std::invalid_argument("streamInOrder: threads and window must be at least 1");
    if (!read || !work || !write)
        throw std::invalid_argument("streamInOrder: a callback is empty");
    Stream stream(window, read, work, write);
    std::thread reader(&Stream::readAll, &stream);
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < threads; ++w)
        workers.emplace_back(&Stream::workAll, &stream, w);
    const bool complete = stream.writeAll();
    reader.join();
    for (std::thread& t : workers)
        t.join();
    return complete;
}

}  // namespace gaussbound
