// Fast transfers: each step of a read, reload or upload goes out as soon as the answer
// to the step before has been taken in, after a short guard gap, instead of on the
// next tick of the transfer timer. Off unless asked for.
#pragma once

namespace kdsp {

struct FastTransferTiming {
    int guardGapMs = 3;    // between an answer taken in and the next request
    int deadlineMs = 150;  // a step without answer this long is asked again...
    int answerFactor = 4;  // ...and never sooner than this many times the slowest answer
    int missesBeforePaced = 2;  // misses in one transfer before its rest goes paced
};

}  // namespace kdsp
