// The upload, its read-back and the comparison, followed through the link's events.
#include "core/link/verified_upload.h"

namespace kdsp {

bool VerifiedUpload::Start(const PresetReadResult& preset, bool verify) {
    if (!preset.Ok() || link_.LinkState != LinkOnline)
        return false;
    preset_ = preset;
    verify_ = verify;
    differences_.clear();
    ApplyPresetForUpload(preset_, model_);
    state_ = State::Sending;
    if (!link_.UploadImage(verify_))
        state_ = State::Failed;
    return state_ == State::Sending;
}

VerifiedUpload::State VerifiedUpload::CurrentState() const {
    return state_ == State::Sending && link_.ReadingBack() ? State::ReadingBack : state_;
}

bool VerifiedUpload::OnLinkEvent(int event) {
    if (state_ != State::Sending)
        return false;
    switch (event) {
        case EventOnline:
            // Asked to, the link goes online only once the pages have been read back:
            // the image now holds what the processor sent.
            if (!verify_) {
                state_ = State::Unchecked;
                return true;
            }
            differences_ = CompareWithPreset(model_.DeviceImage, preset_);
            state_ = differences_.empty() ? State::Verified : State::Differs;
            return true;
        case EventLinkLost:
        case EventConnectFailed:
        case EventLinking:
            state_ = State::Failed;
            return true;
        default:
            return false;
    }
}

}  // namespace kdsp
