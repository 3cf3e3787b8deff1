// The identifiers of the session's events, for logs and machine-readable output.
#include "core/session/session_events.h"

#include "core/model/param_table.h"

namespace kdsp {

std::string_view ToString(SessionState state) {
    switch (state) {
        case SessionState::Offline:
            return "offline";
        case SessionState::Searching:
            return "searching";
        case SessionState::Connecting:
            return "connecting";
        case SessionState::Reading:
            return "reading";
        case SessionState::Uploading:
            return "uploading";
        case SessionState::Verifying:
            return "verifying";
        case SessionState::Online:
            return "online";
        case SessionState::Lost:
            return "lost";
        case SessionState::Reconnecting:
            return "reconnecting";
    }
    return "?";
}

std::string_view ToString(ChangeOrigin origin) {
    switch (origin) {
        case ChangeOrigin::FrontEnd:
            return "front_end";
        case ChangeOrigin::Undo:
            return "undo";
        case ChangeOrigin::Preset:
            return "preset";
        case ChangeOrigin::ProcessorRead:
            return "processor_read";
    }
    return "?";
}

std::string_view ToString(FailureCode code) {
    switch (code) {
        case FailureCode::NoAnswer:
            return "no_answer";
        case FailureCode::CannotConnect:
            return "cannot_connect";
        case FailureCode::ConnectionClosed:
            return "connection_closed";
        case FailureCode::TransferFailed:
            return "transfer_failed";
        case FailureCode::DamagedAnswers:
            return "damaged_answers";
        case FailureCode::LinkLost:
            return "link_lost";
        case FailureCode::Unconfirmed:
            return "unconfirmed";
        case FailureCode::WritesLost:
            return "writes_lost";
        case FailureCode::SaveDropped:
            return "save_dropped";
        case FailureCode::NotOnline:
            return "not_online";
        case FailureCode::NotWritable:
            return "not_writable";
        case FailureCode::NoSuchMode:
            return "no_such_mode";
        case FailureCode::UploadDiffers:
            return "upload_differs";
        case FailureCode::UploadInterrupted:
            return "upload_interrupted";
        case FailureCode::BadPreset:
            return "bad_preset";
        case FailureCode::BackupFailed:
            return "backup_failed";
    }
    return "?";
}

std::string_view ToString(TransferKind kind) {
    switch (kind) {
        case TransferKind::FirstRead:
            return "first_read";
        case TransferKind::ReadAgain:
            return "read_again";
        case TransferKind::Upload:
            return "upload";
    }
    return "?";
}

bool EndsConnection(FailureCode code) {
    switch (code) {
        case FailureCode::NoAnswer:
        case FailureCode::CannotConnect:
        case FailureCode::ConnectionClosed:
        case FailureCode::TransferFailed:
        case FailureCode::DamagedAnswers:
        case FailureCode::LinkLost:
        case FailureCode::Unconfirmed:
            return true;
        default:
            return false;
    }
}

std::string_view ToString(LinkWait::Item item) {
    using Item = LinkWait::Item;
    switch (item) {
        case Item::Nothing:
            return "nothing";
        case Item::Answer:
            return "answer";
        case Item::Page:
            return "page";
        case Item::SystemSettings:
            return "system_settings";
        case Item::ModeNames:
            return "mode_names";
        case Item::Passwords:
            return "passwords";
        case Item::Identity:
            return "identity";
        case Item::ClosingWord:
            return "closing_word";
        case Item::StoredMode:
            return "stored_mode";
        case Item::SaveConfirmation:
            return "save_confirmation";
    }
    return "?";
}

namespace {

struct Line {
    std::string operator()(const StateChanged& e) const {
        return "state " + std::string(ToString(e.to));
    }
    std::string operator()(const ProgressReport& e) const {
        std::string line = "progress " + std::to_string(e.step) + "/" + std::to_string(e.of) + " " +
                           std::string(ToString(e.waitingFor.item));
        if (e.waitingFor.page >= 0)
            line += " " + std::to_string(e.waitingFor.page);
        return line;
    }
    std::string operator()(const ValueChanged& e) const {
        return "value " + std::string(e.param->Name()) + " " + std::to_string(e.oldValue) + " " +
               std::to_string(e.newValue) + " " + std::string(ToString(e.origin));
    }
    std::string operator()(const WritesAcknowledged&) const { return "acknowledged"; }
    std::string operator()(const ModeSaved& e) const {
        return "saved " + std::to_string(e.mode + 1) + " " + e.name;
    }
    std::string operator()(const IdentityRead& e) const { return "identity " + e.identity; }
    std::string operator()(const UploadFinished& e) const {
        return std::string("uploaded ") + (e.verified ? "verified" : "unchecked");
    }
    std::string operator()(const TransferBegan& e) const {
        return "transfer " + std::string(ToString(e.kind));
    }
    std::string operator()(const TransferDone& e) const {
        return "transferred " + std::string(ToString(e.kind));
    }
    std::string operator()(const Failure& e) const {
        std::string line = "failure " + std::string(ToString(e.code));
        if (e.page >= 0)
            line += " page=" + std::to_string(e.page);
        if (e.mode >= 0)
            line += " mode=" + std::to_string(e.mode + 1);
        if (!e.port.empty())
            line += " port=" + e.port;
        if (!e.reason.empty())
            line += " reason=" + e.reason;
        return line;
    }
};

}  // namespace

std::string EventLine(const SessionEvent& event) {
    return std::visit(Line{}, event);
}

}  // namespace kdsp
