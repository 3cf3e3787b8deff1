// What the link is waiting for and how long, in words a progress line or a failure
// message can use (English: the command line prints them).
#include <string>

#include "core/link/link.h"

namespace kdsp {

std::string Link::Endpoint() const { return tcpHost_ + ":" + std::to_string(tcpPort_); }

std::string Link::TransferName() const {
    if (UploadFlag == 1) return "upload";
    if (readingBack_) return "read-back of the upload";
    return StepCount == ReadStepCount ? "read" : "reload";
}

std::string Link::StepText() const {
    const int step = StepIndex;
    if (UploadFlag == 1) {
        if (step <= 5) return "system settings";
        if (step <= 15) return "page " + std::to_string(step - 6);
        return "the closing word";
    }
    if (step <= 9) return "page " + std::to_string(step);
    if (step == ModeNameStep) return "mode names";
    if (step == 22 || step == 23) return "passwords";
    if (step == 27) return "device identity";
    return "system settings";
}

std::string Link::WaitingFor() const {
    if (timers_.IsRunning(LinkTimer::Transfer)) return StepText();
    if (timers_.IsRunning(LinkTimer::Search)) {
        if (TransportKind == TransportTcp) return "an answer from " + Endpoint();
        if (selectedPort_ >= 0) return "an answer on " + ports_[static_cast<std::size_t>(selectedPort_)];
        return {};
    }
    if (PendingEvent == EventReload) return "the processor to load the stored mode";
    if (PendingEvent == EventSaved) return "the processor to confirm the save";
    return {};
}

long Link::WaitedMs() const {
    if (WaitingFor().empty()) return 0;
    return timers_.NowMs() - waitingSince_;
}

}  // namespace kdsp
