// The session's operations and how it follows the link: the state and progress
// derived after every tick and every byte, the link's events turned into typed ones,
// and the writes for a copy of the other operating mode put behind a mode switch.
#include "core/session/device_session.h"

#include <chrono>
#include <utility>

#include "core/model/operating_mode.h"
#include "core/preset/backups.h"
#include "core/preset/image_compare.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {
constexpr ParamId IdOperatingMode = 0x0001;  // music page word 1: 0 sing, 1 dance

Failure Fail(FailureCode code, int page = -1, int mode = -1, std::string port = {},
             std::string reason = {}) {
    return Failure{code, page, mode, std::move(port), std::move(reason)};
}

bool SameProgress(const ProgressReport& a, const ProgressReport& b) {
    return a.step == b.step && a.of == b.of && a.waitingFor.item == b.waitingFor.item &&
           a.waitingFor.page == b.waitingFor.page;
}
}  // namespace

DeviceSession::DeviceSession(Transport& transport, LinkTimers& timers)
    : transport_(transport), timers_(timers), model_(ownImage_), link_(model_, transport, timers, *this) {
    link_.EventObserver = [this](int event) { TakeLinkEvent(event); };
}

DeviceSession::DeviceSession(Transport& transport, LinkTimers& timers, Model& image, LinkDisplay& display)
    : transport_(transport), timers_(timers), model_(image), display_(&display),
      link_(model_, transport, timers, *this) {
    link_.EventObserver = [this](int event) { TakeLinkEvent(event); };
}

DeviceSession::~DeviceSession() {
    // A processor left online would wait for a keep-alive that never comes.
    link_.OnCloseRequest();
}

// ---- connecting --------------------------------------------------------------------

void DeviceSession::ConnectSerial(const std::string& port) {
    if (state_ != SessionState::Offline && state_ != SessionState::Lost)
        return;
    link_.SetSearchPlaces({port}, false);
    place_ = port;
    Connect();
}

void DeviceSession::ConnectTcp(const std::string& host, int port) {
    if (state_ != SessionState::Offline && state_ != SessionState::Lost)
        return;
    link_.SetSearchPlaces({}, true);
    link_.SetTcpEndpoint(host, port);
    place_ = host + ":" + std::to_string(port);
    Connect();
}

void DeviceSession::Search(const std::string& host, int port) {
    if (state_ != SessionState::Offline && state_ != SessionState::Lost)
        return;
    link_.SetSearchPlaces(transport_.ListPorts(), true);
    link_.SetTcpEndpoint(host, port);
    place_.clear();
    for (const std::string& p : link_.Ports())
        place_ += p + ", ";
    place_ += host + ":" + std::to_string(port);
    Connect();
}

void DeviceSession::PressConnect() {
    place_.clear();
    for (const std::string& p : link_.Ports())
        place_ += p + ", ";
    place_ += link_.TcpHost() + ":" + std::to_string(link_.TcpPort());
    Connect();
}

void DeviceSession::ListPorts() {
    link_.RefreshPortList();
}

void DeviceSession::PreferPort(const std::string& name) {
    link_.PreferPort(name);
}

void DeviceSession::SendPassword(ParamId id, std::string_view digits) {
    link_.SendPassword(id, digits);
    Pump();
}

void DeviceSession::Connect() {
    lost_ = false;
    link_.LinkBtnClick(true);
    Pump();
}

void DeviceSession::Disconnect() {
    link_.LinkBtnClick(false);
    DropWrites();
    lost_ = false;
    saving_.reset();
    upload_.reset();
    Pump();
}

void DeviceSession::SetFastTransfers(bool on) {
    link_.SetFastTransfers(on);
}
void DeviceSession::SetAutoReconnect(bool on) {
    link_.SetAutoReconnect(on);
}
void DeviceSession::SetReadPlan(ReadPlan plan) {
    link_.SetReadPlan(std::move(plan));
}

ProgressReport DeviceSession::Progress() const {
    ProgressReport now{link_.StepIndex, link_.StepCount, link_.Waiting(), link_.Progress(), {}};
    if (link_.TransportKind == TransportTcp)
        now.place = link_.TcpHost() + ":" + std::to_string(link_.TcpPort());
    else if (link_.SelectedPort() >= 0)
        now.place = link_.Ports()[static_cast<std::size_t>(link_.SelectedPort())];
    return now;
}

// ---- operations ----------------------------------------------------------------------

std::optional<Failure> DeviceSession::Read() {
    if (state_ != SessionState::Online)
        return Fail(FailureCode::NotOnline);
    // The reload empties the link's queues: what waits goes first.
    readWanted_ = true;
    Pump();
    return std::nullopt;
}

int DeviceSession::Stored(const ParamSpec& param) const {
    return model_.DeviceImage[static_cast<std::size_t>(param.Page())]
                             [static_cast<std::size_t>(param.Slot())];
}

std::optional<Failure> DeviceSession::Set(const ParamSpec& param, int stored, ChangeOrigin origin) {
    if (!param.Writable() || param.Reserved())
        return Fail(FailureCode::NotWritable, -1, -1, {}, std::string(param.Name()));
    return Queue({&param, param.Clamp(stored).value}, origin);
}

std::optional<Failure> DeviceSession::Set(const ImageEdit& edit) {
    const ParamSpec& param = *edit.param;
    // The link stores under the id in the copy of the image's mode: another copy's
    // slot would get the value, and the processor a word for the mode it is not in.
    if (!param.Writable() || param.Reserved() ||
        (param.Mode() >= 0 && param.Mode() != ModeCopyOf(model_.ModeFlag)))
        return Fail(FailureCode::NotWritable, -1, -1, {}, std::string(param.Name()));
    // What the link drops is stored in the image all the same, but nothing changed
    // on the processor's side.
    const bool online = link_.LinkState == LinkOnline;
    const bool sent = online && !HoldsEdits();
    if (edit.how == AsStored::BandFrame)
        link_.SendStoredBandParam(param.Id(), edit.stored);
    else
        link_.SendStoredParam(param.Id(), edit.stored);
    if (sent)
        Emit(ValueChanged{&param, edit.before, edit.stored, edit.origin});
    Pump();
    return online ? std::nullopt : std::optional<Failure>(Fail(FailureCode::NotOnline));
}

std::optional<Failure> DeviceSession::SetWord(const ParamSpec& param, int stored, ChangeOrigin origin) {
    if (!param.Writable())
        return Fail(FailureCode::NotWritable, -1, -1, {}, std::string(param.Name()));
    return Queue({&param, stored, false, true}, origin);
}

std::optional<Failure> DeviceSession::SetBand(std::span<const BandValue> words, ChangeOrigin origin) {
    for (const BandValue& w : words)
        if (!w.param->Writable() || w.param->Reserved() || !w.param->BandWord())
            return Fail(FailureCode::NotWritable, -1, -1, {}, std::string(w.param->Name()));
    if (state_ != SessionState::Online)
        return Fail(FailureCode::NotOnline);
    for (std::size_t k = 0; k < words.size(); ++k)
        Queue({words[k].param, words[k].param->Clamp(words[k].stored).value, k + 1 < words.size()},
              origin);
    return std::nullopt;
}

std::optional<Failure> DeviceSession::Queue(const Write& write, ChangeOrigin origin) {
    if (state_ != SessionState::Online)
        return Fail(FailureCode::NotOnline);
    const ParamSpec& param = *write.param;
    const int old = Stored(param);
    // The image holds the new value at once, whenever the write goes out.
    model_.DeviceImage[static_cast<std::size_t>(param.Page())]
                      [static_cast<std::size_t>(param.Slot())] = write.value;
    waiting_.push_back(write);
    writesPending_ = true;
    Emit(ValueChanged{&param, old, write.value, origin});
    // The band's last word sends the frame of them all: nothing goes out before it.
    if (!write.storedOnly)
        Pump();
    return std::nullopt;
}

std::optional<Failure> DeviceSession::Recall(int mode) {
    if (mode < 0 || mode >= StoredModeCount)
        return Fail(FailureCode::NoSuchMode, -1, mode);
    // The link as it stands, also when the front end acts before the next tick.
    if (DeriveState() != SessionState::Online)
        return Fail(FailureCode::NotOnline);
    link_.SendParam(IdRecallMode, mode);
    Pump();
    return std::nullopt;
}

std::optional<Failure> DeviceSession::Save(int mode, std::string_view name) {
    if (mode < 0 || mode >= StoredModeCount)
        return Fail(FailureCode::NoSuchMode, -1, mode);
    if (DeriveState() != SessionState::Online)
        return Fail(FailureCode::NotOnline);
    saving_ = {mode, std::string(name.substr(0, ModeNameMaxLength))};
    link_.SaveAsMode(mode, name);
    Pump();
    return std::nullopt;
}

std::optional<Failure> DeviceSession::Upload(const PresetReadResult& preset, bool readBack) {
    if (!preset.Ok())
        return Fail(FailureCode::BadPreset, -1, -1, {}, preset.detail);
    if (DeriveState() != SessionState::Online)
        return Fail(FailureCode::NotOnline);
    const DeviceImageRows before = model_.DeviceImage;
    uploadDifferences_.clear();
    upload_.emplace(link_, model_);
    if (!upload_->Start(preset, readBack)) {
        upload_.reset();
        return Fail(FailureCode::UploadInterrupted);
    }
    for (const ParamSpec& p : ParamTable()) {
        const auto page = static_cast<std::size_t>(p.Page()),
                   slot = static_cast<std::size_t>(p.Slot());
        if (before[page][slot] != model_.DeviceImage[page][slot])
            Emit(ValueChanged{&p, before[page][slot], model_.DeviceImage[page][slot],
                              ChangeOrigin::Preset});
    }
    Pump();
    return std::nullopt;
}

std::optional<Failure> DeviceSession::Backup(const std::filesystem::path& folder,
                                             std::filesystem::path* written) {
    if (!haveImage_)
        return Fail(FailureCode::NotOnline);
    try {
        const auto path = WriteBackup(folder, model_.DeviceImage, model_.DeviceIdentity,
                                      std::chrono::system_clock::now());
        if (written)
            *written = path;
    } catch (const std::exception& e) {
        return Fail(FailureCode::BackupFailed, -1, -1, {}, e.what());
    }
    return std::nullopt;
}

// ---- driven by the event loop ------------------------------------------------------------

void DeviceSession::OnTick(LinkTimer timer) {
    switch (timer) {
        case LinkTimer::Search:
            link_.OnSearchTick();
            break;
        case LinkTimer::Transfer:
            link_.OnTransferTick();
            break;
        case LinkTimer::Hold:
            link_.OnHoldTick();
            break;
        case LinkTimer::Reconnect:
            link_.OnReconnectTick();
            break;
    }
    Pump();
}

void DeviceSession::OnSerialBytes(std::span<const std::uint8_t> bytes) {
    link_.OnSerialBytes(bytes);
    Pump();
}

void DeviceSession::OnTcpBytes(std::span<const std::uint8_t> bytes) {
    link_.OnTcpBytes(bytes);
    Pump();
}

void DeviceSession::OnTcpClosed(bool wasConnected, const std::string& reason) {
    link_.OnTcpClosed(wasConnected, reason);
    Pump();
}

// ---- following the link ------------------------------------------------------------------

void DeviceSession::Emit(const SessionEvent& event) {
    if (OnEvent)
        OnEvent(event);
}

SessionState DeviceSession::DeriveState() const {
    if (link_.Transferring()) {
        if (link_.UploadFlag == 1)
            return SessionState::Uploading;
        return link_.ReadingBack() ? SessionState::Verifying : SessionState::Reading;
    }
    if (link_.Reconnecting())
        return SessionState::Reconnecting;
    if (timers_.IsRunning(LinkTimer::Search))
        return link_.TransportKind == TransportTcp ? SessionState::Connecting
                                                   : SessionState::Searching;
    // A recall or save waiting for its confirmation leaves the link offline meanwhile.
    if (link_.LinkState == LinkOnline || link_.PendingEvent != 0)
        return SessionState::Online;
    return lost_ ? SessionState::Lost : SessionState::Offline;
}

void DeviceSession::EmitState() {
    const SessionState now = DeriveState();
    if (now == state_)
        return;
    const SessionState from = state_;
    state_ = now;
    Emit(StateChanged{from, now});
}

void DeviceSession::Pump() {
    EmitState();
    const bool moving = state_ != SessionState::Online && state_ != SessionState::Offline &&
                        state_ != SessionState::Lost && state_ != SessionState::Reconnecting;
    const LinkWait wait = link_.Waiting();
    if (moving || wait.item == LinkWait::Item::StoredMode ||
        wait.item == LinkWait::Item::SaveConfirmation) {
        const ProgressReport now = Progress();
        if (!SameProgress(now, progress_)) {
            progress_ = now;
            Emit(now);
        }
    } else {
        progress_ = {};
    }
    if (state_ == SessionState::Online)
        DriveWrites();
}

bool DeviceSession::LinkIdle() const {
    return link_.LinkState == LinkOnline && link_.Writes.Count() == 0 && link_.Bands.Count() == 0 &&
           link_.RepeatLast == 0 && link_.Signals.ClearToSend == 1 && !link_.WaitingSave() &&
           link_.PendingEvent == 0;
}

void DeviceSession::DriveWrites() {
    while (!waiting_.empty()) {
        const Write& w = waiting_.front();
        // The operating-mode word itself is written in the mode the processor is left in.
        int want = w.param->Mode() < 0 ? model_.ModeFlag : w.param->Mode();
        if (w.param->Id() == IdOperatingMode)
            want = homeMode_;
        if (want != model_.ModeFlag) {
            // A band frame still waiting is built from the view of the mode in use:
            // the switch waits for everything before it.
            if (!LinkIdle())
                return;
            SwitchMode(want);
            continue;
        }
        if (link_.LinkState != LinkOnline)
            return;
        // A new operating mode goes out alone once everything before it is taken: the
        // processor switches its whole view with it.
        if (w.param->Id() == IdOperatingMode && !LinkIdle())
            return;
        SendNow(w);
        waiting_.pop_front();
    }
    if (!LinkIdle())
        return;
    if (awayFromHome_) {
        SwitchMode(homeMode_);
        return;
    }
    if (writesPending_) {
        writesPending_ = false;
        Emit(WritesAcknowledged{});
    }
    if (readWanted_) {
        readWanted_ = false;
        link_.RaiseLinkEvent(EventReload);
        EmitState();
    }
}

void DeviceSession::SendNow(const Write& w) {
    if (w.storedOnly)
        StoreAt(model_, w.param->Id(), w.value);
    else if (w.param->BandWord() && !w.plain)
        link_.SendStoredBandParam(w.param->Id(), w.value);
    else
        link_.SendStoredParam(w.param->Id(), w.value);
    if (w.param->Id() == IdOperatingMode) {
        homeMode_ = w.value;
        awayFromHome_ = false;
        model_.ModeFlag = w.value;
        LoadViewFromDevice(model_, w.value);
    }
}

void DeviceSession::SwitchMode(int mode) {
    awayFromHome_ = mode != homeMode_;
    link_.SendStoredParam(IdOperatingMode, mode);
    model_.ModeFlag = mode;
    LoadViewFromDevice(model_, mode);
}

void DeviceSession::DropWrites() {
    waiting_.clear();
    readWanted_ = false;
    if (!writesPending_)
        return;
    writesPending_ = false;
    Emit(Fail(FailureCode::WritesLost, -1, -1, place_));
}

void DeviceSession::TakeLinkEvent(int event) {
    if (event == EventLinkLost && !link_.Reconnecting())
        lost_ = true;
    EmitState();
    switch (event) {
        case EventLinking:
        case EventReload:
            before_ = model_.DeviceImage;
            reading_ = true;
            break;
        case EventOnline:
            homeMode_ = model_.ModeFlag;
            awayFromHome_ = false;
            if (reading_ && haveImage_)
                ReportReadChanges();
            reading_ = false;
            haveImage_ = true;
            break;
        case EventSaved:
            if (saving_)
                Emit(ModeSaved{saving_->first, saving_->second});
            saving_.reset();
            break;
        case EventLinkLost:
        case EventConnectFailed:
            reading_ = false;
            saving_.reset();
            ReportFailure();
            DropWrites();
            break;
        default:
            break;
    }
    if (upload_ && upload_->OnLinkEvent(event)) {
        switch (upload_->CurrentState()) {
            case VerifiedUpload::State::Verified:
                Emit(UploadFinished{true});
                break;
            case VerifiedUpload::State::Unchecked:
                Emit(UploadFinished{false});
                break;
            case VerifiedUpload::State::Differs:
                uploadDifferences_ = upload_->Differences();
                Emit(Fail(FailureCode::UploadDiffers,
                          upload_->Differences().empty() ? -1 : upload_->Differences().front().page,
                          -1, {}, DescribeDifference(upload_->Differences())));
                break;
            default:
                Emit(Fail(FailureCode::UploadInterrupted, -1, -1, place_));
                break;
        }
        upload_.reset();
    }
    // Told last, once everything else this event brought has been reported.
    switch (event) {
        case EventLinking:
        case EventReload:
        case EventUpload:
            transfer_ = event == EventLinking  ? TransferKind::FirstRead
                        : event == EventUpload ? TransferKind::Upload
                                               : TransferKind::ReadAgain;
            Emit(TransferBegan{transfer_});
            break;
        case EventOnline:
            Emit(TransferDone{transfer_});
            break;
        default:
            break;
    }
}

void DeviceSession::ReportFailure() {
    FailureCode code = FailureCode::LinkLost;
    switch (link_.FailureKind()) {
        case LinkFailure::None:
        case LinkFailure::Silent:
            code = FailureCode::LinkLost;
            break;
        case LinkFailure::NoAnswer:
            code = FailureCode::NoAnswer;
            break;
        case LinkFailure::CannotConnect:
            code = FailureCode::CannotConnect;
            break;
        case LinkFailure::Closed:
            code = FailureCode::ConnectionClosed;
            break;
        case LinkFailure::TransferSilent:
            code = FailureCode::TransferFailed;
            break;
        case LinkFailure::TransferDamaged:
            code = FailureCode::DamagedAnswers;
            break;
        case LinkFailure::Unconfirmed:
            code = FailureCode::Unconfirmed;
            break;
    }
    Emit(Fail(code, link_.FailurePage(), -1, place_, link_.FailureReason()));
}

void DeviceSession::ReportReadChanges() {
    for (const ParamSpec& p : ParamTable()) {
        const auto page = static_cast<std::size_t>(p.Page()),
                   slot = static_cast<std::size_t>(p.Slot());
        if (before_[page][slot] != model_.DeviceImage[page][slot])
            Emit(ValueChanged{&p, before_[page][slot], model_.DeviceImage[page][slot],
                              ChangeOrigin::ProcessorRead});
    }
}

// ---- the link's host -------------------------------------------------------------------------

void DeviceSession::StatusChanged(LinkStatus status) {
    display_->StatusChanged(status);
}
void DeviceSession::WorkStatus(LinkStatus status) {
    display_->WorkStatus(status);
}
void DeviceSession::WorkPlace(const std::optional<std::string>& serialPort) {
    display_->WorkPlace(serialPort);
}
void DeviceSession::WorkProgress(int percent) {
    display_->WorkProgress(percent);
}
void DeviceSession::WorkGoesOn() {
    display_->WorkGoesOn();
}
void DeviceSession::WorkEnded() {
    display_->WorkEnded();
}
void DeviceSession::LinkActive(bool linkActive) {
    display_->LinkActive(linkActive);
}
void DeviceSession::ModeNamesChanged(const std::vector<std::string>& items) {
    display_->ModeNamesChanged(items);
}
void DeviceSession::CameOnline() {
    display_->CameOnline();
}
std::optional<TcpEndpoint> DeviceSession::CurrentTcpEndpoint() const {
    return display_->CurrentTcpEndpoint();
}
bool DeviceSession::HoldsEdits() const {
    return display_->HoldsEdits();
}
void DeviceSession::SetHoldsEdits(bool on) {
    display_->SetHoldsEdits(on);
}

void DeviceSession::Diagnostic(const std::string& line) {
    display_->Diagnostic(line);
    if (OnDiagnostic)
        OnDiagnostic(line);
}

void DeviceSession::Notify(LinkNotice notice) {
    display_->Notify(notice);
    // The link says only this one in a message and in no event: a save held behind
    // edits that a transfer dropped. Every other message follows an event.
    if (notice == LinkNotice::SaveFailed) {
        Emit(Fail(FailureCode::SaveDropped, -1, saving_ ? saving_->first : -1));
        saving_.reset();
    }
}

void DeviceSession::ImageLoaded() {
    if (display_ != &noDisplay_) {
        display_->ImageLoaded();
        return;
    }
    // The session's selectors never move: the view is the image of the mode in use,
    // which is what band frames are built from.
    LoadViewFromDevice(model_, model_.ModeFlag);
}

void DeviceSession::IdentityChanged(const std::string& text) {
    display_->IdentityChanged(text);
    if (!text.empty())
        Emit(IdentityRead{text});
}

}  // namespace kdsp
