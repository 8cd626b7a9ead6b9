// The answer `bounds batch` writes for one line of its JSON Lines input: the
// object `bounds --json` prints for the line's model, led by the line's id
// exactly as the line writes it (or by its line number), or the object that
// says why the line is refused.
//
//   kLongestBatchLine   the longest line batch reads; longer ones are refused unread
//   BatchAnswer         one line of output and whether it is a refusal
//   batchAnswer         the answer to one line
//   BatchOutcome        how a whole input went
//   answerLines         every line of a descriptor answered on worker threads,
//                       the answers handed on in input order
#ifndef GAUSSBOUND_BATCH_LINE_H
#define GAUSSBOUND_BATCH_LINE_H

#include <cstddef>
#include <functional>
#include <string>

#include <gaussbound/Input.h>

namespace gaussbound {

// 1 MiB, without the newline: a line reader for batch keeps no more.
constexpr size_t kLongestBatchLine = size_t{1} << 20;

struct BatchAnswer {
    std::string json;  // one line of JSON with its newline
    bool refused;      // an error object rather than figures
};

// Answers line number `number` (counted from 1), whose text is taken over
// (so that its memory goes with the call). The answer is
//   {"id":ID,...} or {"line":N,...} then every key of reportObject with the
//     figures of analyseRules (and the line's costs and rule), for a line
//     readCaseLine reads to two classes whose figures are all computed, or
//     every key of classesObject (with the default directions and seed, on
//     the line's thread) for a line of C classes;
//   {"id":ID,"line":N,"error":"..."} for any other line, the id only when
//     one could be read; a line marked tooLong is refused as "longer than
//     1 MiB: not read".
// ID is the id's text as the line writes it; bytes of a message that are not
// UTF-8 are replaced. table is the caller's buffer of kTableRows rows, used
// by no other thread meanwhile. Throws std::invalid_argument (see Error.h)
// for number 0 or a null table.
BatchAnswer batchAnswer(size_t number, InputLine line, double (*table)[2]);

struct BatchOutcome {
    size_t lines = 0, refused = 0;  // lines answered, and of them refused
    bool written = true;            // write accepted every answer
    int readError = 0;              // errno of a failed read of the input, or 0
};

// Reads the lines of fd (LineReader, kLongestBatchLine), answers each with
// batchAnswer on `threads` threads with at most `window` lines in flight
// (streamInOrder), and hands the answers to write in input order on the
// calling thread, with the count so far; stops early when write returns
// false. write must not throw: it runs while the workers cannot be stopped
// (an exception would end the program). Memory stays bounded by the window,
// however long the input. Throws
// std::invalid_argument for a negative fd, threads or window of 0, or an
// empty write.
BatchOutcome answerLines(int fd, unsigned threads, size_t window,
                         const std::function<bool(const std::string& answer, size_t done)>& write);

}  // namespace gaussbound

#endif
