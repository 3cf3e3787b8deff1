// The two queues of edits waiting for the processor's acknowledgement: single
// parameter writes and EQ band writes, with their merge and overflow rules.
#pragma once

#include <vector>

#include "core/model/model.h"

namespace kdsp {

// Entry 0 is the frame sent last; entries 1..Count() wait, oldest first.
// Up to the limit the merge rule is only "the newest waiting entry has the same
// id: take the new value". Beyond the limit an edit is never dropped: a parameter
// already waiting has its entry updated, a new one extends the queue, so past the
// limit there is at most one waiting entry per parameter.
class WriteQueue {
public:
    static constexpr int Limit = 61;

    struct Entry {
        ParamId id = 0;
        int value = 0;
    };

    WriteQueue() : entries_(1) {}

    int Count() const { return static_cast<int>(entries_.size()) - 1; }
    const Entry& operator[](int i) const { return entries_.at(static_cast<std::size_t>(i)); }
    const Entry& Sent() const { return entries_[0]; }

    void Clear() { entries_.resize(1); }
    // Entry 0 := (id, value): the frame that goes out now.
    void SetSent(ParamId id, int value) { entries_[0] = {id, value}; }
    void Push(ParamId id, int value);
    // Drops entry 0 and moves the waiting entries down; the oldest becomes entry 0.
    // Nothing happens when none waits.
    void Advance();

private:
    std::vector<Entry> entries_;
};

// Band entries are never merged below the limit: a band frame is built from the
// parameter image when it is sent, so each copy carries the band's newest values.
// Beyond the limit a band that already waits needs no further copy.
class BandQueue {
public:
    static constexpr int Limit = 49;

    struct Entry {
        ParamId frameId = 0;
        int band = 0;
    };

    BandQueue() : entries_(1) {}

    int Count() const { return static_cast<int>(entries_.size()) - 1; }
    const Entry& operator[](int i) const { return entries_.at(static_cast<std::size_t>(i)); }
    const Entry& Sent() const { return entries_[0]; }

    void Clear() { entries_.resize(1); }
    void SetSent(ParamId frameId, int band) { entries_[0] = {frameId, band}; }
    void Push(ParamId frameId, int band);
    void Advance();

private:
    std::vector<Entry> entries_;
};

}  // namespace kdsp
