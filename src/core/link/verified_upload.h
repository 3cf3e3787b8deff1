// A preset sent to the processor and then read back and compared word by word, so a
// processor that acknowledges an upload but does not store it is never taken for
// success. The link's own upload and reload do the work; this follows their events.
#pragma once

#include "core/link/link.h"
#include "core/preset/image_compare.h"
#include "core/preset/preset_file.h"

namespace kdsp {

class VerifiedUpload {
  public:
    enum class State {
        Idle,         // nothing started
        Sending,      // the upload's frames are going out
        ReadingBack,  // every frame acknowledged; the pages are being read again
        Verified,     // read back: the processor holds every word of the file
        Differs,      // read back: some words are not what was sent (Differences())
        Unchecked,    // sent without reading back
        Failed,       // the link failed or was left before the end
    };

    VerifiedUpload(Link& link, Model& model) : link_(link), model_(model) {}

    // Puts the file's words into the image (ApplyPresetForUpload) and starts the
    // upload; with `verify` it is read back and compared once acknowledged. False,
    // with nothing changed, while the link is not online or the file is not good.
    bool Start(const PresetReadResult& preset, bool verify);

    // The events the link raises, after their effects (online and the failures are
    // the ones that count). True when it ends this upload: CurrentState() then says
    // how it went.
    bool OnLinkEvent(int event);

    State CurrentState() const;
    const ImageDifference& Differences() const { return differences_; }

  private:
    Link& link_;
    Model& model_;
    PresetReadResult preset_;
    bool verify_ = true;
    State state_ = State::Idle;  // Sending covers the read-back too
    ImageDifference differences_;
};

}  // namespace kdsp
