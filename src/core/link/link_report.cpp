// What the link is waiting for and how long, in words a progress line or a failure
// message can use (English: the command line prints them).
#include <string>
#include <utility>

#include "core/link/link.h"

namespace kdsp {

std::string Link::Endpoint() const { return tcpHost_ + ":" + std::to_string(tcpPort_); }

std::string Link::TransferName() const {
    if (UploadFlag == 1) return "upload";
    if (readingBack_) return "read-back of the upload";
    return StepCount == ReadStepCount ? "read" : "reload";
}

void Link::Fail(LinkFailure kind, std::string text) {
    failureKind_ = kind;
    failure_ = std::move(text);
    failurePage_ = timers_.IsRunning(LinkTimer::Transfer) && StepWait().item == LinkWait::Item::Page
                       ? StepWait().page
                       : -1;
}

LinkWait Link::StepWait() const {
    using Item = LinkWait::Item;
    const int step = StepIndex;
    if (UploadFlag == 1) {
        if (step <= 5) return {Item::SystemSettings};
        if (step <= 15) return {Item::Page, step - 6};
        return {Item::ClosingWord};
    }
    if (step <= 9) return {Item::Page, step};
    if (step == ModeNameStep) return {Item::ModeNames};
    if (step == 22 || step == 23) return {Item::Passwords};
    if (step == 27) return {Item::Identity};
    return {Item::SystemSettings};
}

std::string Link::StepText() const {
    using Item = LinkWait::Item;
    const LinkWait wait = StepWait();
    switch (wait.item) {
    case Item::Page:
        return "page " + std::to_string(wait.page);
    case Item::ClosingWord:
        return "the closing word";
    case Item::ModeNames:
        return "mode names";
    case Item::Passwords:
        return "passwords";
    case Item::Identity:
        return "device identity";
    default:
        return "system settings";
    }
}

LinkWait Link::Waiting() const {
    if (timers_.IsRunning(LinkTimer::Transfer)) return StepWait();
    if (timers_.IsRunning(LinkTimer::Search)) {
        if (TransportKind == TransportTcp || selectedPort_ >= 0) return {LinkWait::Item::Answer};
        return {};
    }
    if (PendingEvent == EventReload) return {LinkWait::Item::StoredMode};
    if (PendingEvent == EventSaved) return {LinkWait::Item::SaveConfirmation};
    return {};
}

std::string Link::WaitingFor() const {
    switch (Waiting().item) {
    case LinkWait::Item::Nothing:
        return {};
    case LinkWait::Item::Answer:
        if (TransportKind == TransportTcp) return "an answer from " + Endpoint();
        return "an answer on " + ports_[static_cast<std::size_t>(selectedPort_)];
    case LinkWait::Item::StoredMode:
        return "the processor to load the stored mode";
    case LinkWait::Item::SaveConfirmation:
        return "the processor to confirm the save";
    default:
        return StepText();
    }
}

long Link::WaitedMs() const {
    if (WaitingFor().empty()) return 0;
    return timers_.NowMs() - waitingSince_;
}

}  // namespace kdsp
