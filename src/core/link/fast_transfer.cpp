// The fast pace of transfers: the receive side sets the next step going as soon as an
// answer has been taken in; the transfer timer then serves as the step's deadline.
// Requests, their order and their repeats are those of the paced transfer.
#include "core/link/fast_transfer.h"

#include <algorithm>

#include "core/link/link.h"

namespace kdsp {

void Link::SetFastTransfers(bool on, FastTransferTiming timing) {
    fastOn_ = on;
    fastTiming_ = timing;
}

void Link::RestartTimer(LinkTimer timer, int ms) {
    timers_.Stop(timer);
    timers_.SetInterval(timer, ms);
    timers_.Start(timer);
}

int Link::FastDeadlineMs() const {
    return static_cast<int>(std::max<long>(fastTiming_.deadlineMs, fastTiming_.answerFactor * slowestAnswerMs_));
}

void Link::PaceTransfer(int pacedIntervalMs) {
    fast_ = fastOn_;
    fastMisses_ = 0;
    slowestAnswerMs_ = 0;
    pacedIntervalMs_ = pacedIntervalMs;
    if (fast_) RestartTimer(LinkTimer::Transfer, FastDeadlineMs());
}

void Link::EndFastPace() {
    // The transfer timer keeps the interval a paced transfer would have left.
    if (fast_) timers_.SetInterval(LinkTimer::Transfer, pacedIntervalMs_);
    fast_ = false;
}

void Link::StartSearchFast() {
    answerScheduled_ = false;
    if (fastOn_) RestartTimer(LinkTimer::Search, fastTiming_.guardGapMs);
}

void Link::FastAfterFeed() {
    if (answerScheduled_) return;
    if (timers_.IsRunning(LinkTimer::Search) && Signals.DeviceFound == 1) {
        // The connect command is acknowledged: the read need not wait for the next tick.
        answerScheduled_ = true;
        RestartTimer(LinkTimer::Search, fastTiming_.guardGapMs);
        return;
    }
    if (!fast_ || !timers_.IsRunning(LinkTimer::Transfer)) return;
    const StepAnswer answer = CheckAnswer();
    if (answer == StepAnswer::Late || answer == StepAnswer::NameCopy) {
        SkipAnswer(answer);
    } else if (answer != StepAnswer::None) {
        answerScheduled_ = true;
        slowestAnswerMs_ = std::max(slowestAnswerMs_, timers_.NowMs() - waitingSince_);
        RestartTimer(LinkTimer::Transfer, fastTiming_.guardGapMs);
    }
}

void Link::FastTransferTick() {
    const StepAnswer answer = CheckAnswer();
    if (answer == StepAnswer::Taken) {
        TakeAnswer();
    } else if (answer == StepAnswer::Damaged) {
        AskAgainAfterDamage();
    } else {
        // The deadline has passed without an answer: asked again as the paced transfer
        // would; a processor that keeps missing gets the paced timing from now on.
        SkipAnswer(answer);
        fastMisses_ += 1;
        AskAgainAfterSilence();
        if (fastMisses_ >= fastTiming_.missesBeforePaced) fast_ = false;
    }
    if (!timers_.IsRunning(LinkTimer::Transfer)) return;  // online, or failed
    // A step whose damaged answers never end goes late: the paced rules take it from there.
    if (Signals.TransferState == TransferLate) fast_ = false;
    RestartTimer(LinkTimer::Transfer, fast_ ? FastDeadlineMs() : pacedIntervalMs_);
}

}  // namespace kdsp
