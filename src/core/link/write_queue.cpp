// Paced edits while online: SendParam, SendBandParam, the save-as-mode send and
// the hold tick that drains the queues, sends keep-alives and detects a lost link.
#include "core/link/write_queue.h"

#include <string>

#include "core/link/link.h"
#include "core/model/codecs.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {
constexpr int IdleTicksPerSecond = 50;
constexpr int SilentSecondsLost = 10;         // lost once above this
constexpr int SilentSecondsPendingLost = 50;  // an unanswered recall or save
constexpr int RepeatEverySeconds = 3;
}  // namespace

void WriteQueue::Push(ParamId id, int value) {
    const int count = Count();
    if (count > 1 && entries_.back().id == id) {
        entries_.back().value = value;
        return;
    }
    if (count < Limit) {
        entries_.push_back({id, value});
        return;
    }
    // Full: the newest waiting entry of this parameter takes the value, so the
    // processor ends with what the window shows; otherwise the queue grows.
    for (int i = count; i >= 1; --i) {
        if (entries_[static_cast<std::size_t>(i)].id == id) {
            entries_[static_cast<std::size_t>(i)].value = value;
            return;
        }
    }
    entries_.push_back({id, value});
}

void WriteQueue::Advance() {
    if (Count() >= 1) entries_.erase(entries_.begin());
}

void BandQueue::Push(ParamId frameId, int band) {
    const int count = Count();
    if (count < Limit) {
        entries_.push_back({frameId, band});
        return;
    }
    for (int i = 1; i <= count; ++i) {
        const Entry& e = entries_[static_cast<std::size_t>(i)];
        if (e.frameId == frameId && e.band == band) return;
    }
    entries_.push_back({frameId, band});
}

void BandQueue::Advance() {
    if (Count() >= 1) entries_.erase(entries_.begin());
}

void Link::SendParam(ParamId id, int value) { QueueParam(StoreValue(model_, id, value), value); }

void Link::SendStoredParam(ParamId storageId, int value) {
    StoreAt(model_, storageId, value);
    QueueParam(storageId, value);
}

void Link::SendBandParam(ParamId id, int value) { QueueBandParam(StoreValue(model_, id, value)); }

void Link::SendStoredBandParam(ParamId storageId, int value) {
    StoreAt(model_, storageId, value);
    QueueBandParam(storageId);
}

void Link::QueueParam(ParamId s, int value) {
    if (display_.HoldsEdits() || LinkState != LinkOnline) return;
    IdleTicks = 0;
    // A recall made while a save waits goes after the save: the save stores the mode
    // the user saw, and the recall's reload would otherwise forget it.
    if (Signals.ClearToSend == 0 || Writes.Count() != 0 || (s == IdRecallMode && WaitingSave())) {
        Writes.Push(s, value);
        return;
    }
    Writes.SetSent(s, value);
    Signals.TransferState = TransferIdle;
    if (!AwaitAcknowledgementOf(s)) PendingEvent = 0;
    WriteValue(s, static_cast<std::uint16_t>(value));
    LastWrite = Outstanding::Value;
    Signals.ClearToSend = 0;
}

void Link::QueueBandParam(ParamId s) {
    if (display_.HoldsEdits() || LinkState != LinkOnline) return;
    const int page = PageOf(s);
    if (page < 0 || page > PageRear) return;  // no band frame outside pages 0..9
    Signals.TransferState = TransferIdle;
    IdleTicks = 0;
    const ParamId frameId = BandFrameId(page);
    const int band = BandOf(DecodeBand(model_, s));  // NotEq counts as band 0
    if (Signals.ClearToSend == 0 || Bands.Count() != 0) {
        Bands.Push(frameId, band);
        return;
    }
    Bands.SetSent(frameId, band);
    Write(BuildBandFrame(model_, frameId, band));
    LastWrite = Outstanding::Band;
    Signals.ClearToSend = 0;
}

bool Link::AwaitAcknowledgementOf(ParamId id) {
    if (id == IdRecallMode) {
        // The processor loads the stored mode; its acknowledgement starts the reload.
        SetStatus(LinkStatus::Recalling);
        LinkState = LinkOffline;
        SilentSeconds = 0;
        PendingEvent = EventReload;
        return true;
    }
    if (id == IdSaveMode) {
        PendingEvent = EventSaved;
        return true;
    }
    return false;
}

void Link::ForgetPacedSends() {
    RepeatLast = 0;
    LastWrite = Outstanding::None;
    // A save still held when a transfer starts never reaches the processor; the
    // user is told once the transfer has been set going.
    if (!waitingSave_.empty()) saveDropped_ = true;
    waitingSave_.clear();
}

void Link::LeaveOnline() {
    readBackUpload_ = false;
    readingBack_ = false;
    waitingSave_.clear();
    PendingEvent = 0;
    EndFastPace();
}

bool Link::SaveAsMode(int mode, std::string_view name) {
    if (mode < 0 || mode >= 9) return false;
    model_.ModeNames[static_cast<std::size_t>(mode)] =
        std::string(name.substr(0, ModeNameMaxLength));
    SetStatus(LinkStatus::Saving);
    Bytes frame = BuildSaveMode(mode, name);
    if (LinkState == LinkOnline &&
        (Signals.ClearToSend == 0 || Writes.Count() != 0 || Bands.Count() != 0)) {
        // Edits are still on their way: the processor stores what it holds when the
        // save arrives, so the save takes its turn behind them (the hold tick sends it).
        waitingSave_ = std::move(frame);
        return true;
    }
    SendSave(frame);
    return true;
}

void Link::SendSave(std::span<const std::uint8_t> frame) {
    Write(frame);
    // The saved event waits for this frame's acknowledgement, not for an older one
    // that may already have arrived.
    Signals.ClearToSend = 0;
    PendingEvent = EventSaved;
    LinkState = LinkOffline;
    SilentSeconds = 0;
}

void Link::SendPassword(ParamId id, std::string_view digits) {
    Write(BuildPasswordFrame(id, digits));
}

void Link::OnHoldTick() {
    GiveUpCutOffFrames();
    IdleTicks = IdleTicks > IdleTicksPerSecond ? IdleTicksPerSecond : IdleTicks + 1;

    if (Signals.ClearToSend == 1 && PendingEvent != 0) {
        const int e = PendingEvent;
        PendingEvent = 0;
        RaiseLinkEvent(e);
        SilentSeconds = 0;
        IdleTicks = 0;
    } else if (PendingEvent != 0 && IdleTicks == IdleTicksPerSecond) {
        IdleTicks = 0;
        SilentSeconds += 1;
        if (SilentSeconds > SilentSecondsPendingLost) {
            SilentSeconds = 0;
            Fail(LinkFailure::Unconfirmed, std::string("lost the processor: the ") +
                                               (PendingEvent == EventSaved ? "save" : "recall") +
                                               " was never confirmed");
            timers_.Stop(LinkTimer::Hold);
            RaiseLinkEvent(EventLinkLost);
        }
    }

    // The save goes before a recall made after it (and after everything before it).
    const bool recallWaitsForSave = WaitingSave() && Writes.Count() != 0 && Writes[1].id == IdRecallMode;
    if (Signals.ClearToSend == 1 && (Writes.Count() != 0 || RepeatLast == 1) && !recallWaitsForSave) {
        Signals.ClearToSend = 0;
        SilentSeconds = 0;
        IdleTicks = 0;
        Writes.Advance();
        // A queue that has just emptied sends its last entry once more.
        RepeatLast = (Writes.Count() == 0 && RepeatLast == 0) ? 1 : 0;
        // A recall that had to wait still reloads the pages: the processor has
        // switched to the stored mode whether or not the write went out at once.
        if (Writes.Sent().id == IdRecallMode && PendingEvent == 0 && LinkState == LinkOnline)
            AwaitAcknowledgementOf(IdRecallMode);
        WriteValue(Writes.Sent().id, static_cast<std::uint16_t>(Writes.Sent().value));
        LastWrite = Outstanding::Value;
    }

    if (Signals.ClearToSend == 1 && Bands.Count() != 0) {
        Signals.ClearToSend = 0;
        SilentSeconds = 0;
        IdleTicks = 0;
        const int count = Bands.Count();
        Bands.Advance();
        Write(BuildBandFrame(model_, Bands.Sent().frameId, Bands.Sent().band));
        LastWrite = Outstanding::Band;
        display_.Diagnostic("2:" + std::to_string(count) + " " + std::to_string(Bands.Sent().band));
    }

    // A save that waited for the edits before it goes out once they are all confirmed.
    if (Signals.ClearToSend == 1 && WaitingSave() && (Writes.Count() == 0 || recallWaitsForSave) &&
        Bands.Count() == 0) {
        SendSave(waitingSave_);
        waitingSave_.clear();
        IdleTicks = 0;
    }

    if (LinkState == LinkOnline && IdleTicks == IdleTicksPerSecond) {
        IdleTicks = 0;
        SilentSeconds += 1;
        if (Signals.ClearToSend == 1) {
            Signals.ClearToSend = 0;
            SilentSeconds = 0;
            SendLinkCommand(LinkKeepAlive);
            LastWrite = Outstanding::None;
        } else if (SilentSeconds % RepeatEverySeconds == 0) {
            // The frame still unacknowledged goes out again, also when nothing waits
            // behind it. Entry 0 is repeated only when it is that frame: after a band
            // frame or a keep-alive it is an older write (or, before the first write of
            // the run, no write at all) whose value may no longer be the processor's.
            if (LastWrite == Outstanding::Value)
                WriteValue(Writes.Sent().id, static_cast<std::uint16_t>(Writes.Sent().value));
            else if (LastWrite == Outstanding::Band)
                Write(BuildBandFrame(model_, Bands.Sent().frameId, Bands.Sent().band));
            else
                SendLinkCommand(LinkKeepAlive);
        }
        if (SilentSeconds > SilentSecondsLost) {
            SilentSeconds = 0;
            Fail(LinkFailure::Silent,
                 "lost the processor: no answer for " + std::to_string(SilentSecondsLost + 1) + " s");
            timers_.Stop(LinkTimer::Hold);
            RaiseLinkEvent(EventLinkLost);
        }
    }
}

}  // namespace kdsp
