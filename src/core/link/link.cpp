// The link state machine: link buttons, the search, the transfer steps of a read,
// reload or upload, the link events with their status and messages, and disconnect.
#include "core/link/link.h"

#include <algorithm>
#include <utility>

#include "core/model/codecs.h"
#include "core/model/operating_mode.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {
constexpr int WaitTicksBeforeRetry = 10;  // a step is repeated or late after 1.1 s
constexpr int TicksPerWait = WaitTicksBeforeRetry + 1;
constexpr int ModeCount = 9;
constexpr int MaxDamagedAnswers = 5;    // repeats of one step whose answers fail their checksum
constexpr int MaxFirstStepRepeats = 9;  // about ten seconds of step 0 or 1 unanswered
constexpr int MaxLaterStepRepeats = 5;  // a later step without answer, within its 11.1 s

// Whether a good data frame at `address` is the answer to read step `step`: a page
// reply is known by its page, every other reply by the item it carries.
bool AnswersReadStep(int step, int address) {
    if (step >= 0 && step <= 9) return address >> 8 == step;
    return address == ReadStepItem(step);
}
}  // namespace

Link::Link(Model& model, Transport& transport, LinkTimers& timers, LinkDisplay& display)
    : model_(model), transport_(transport), timers_(timers), display_(display) {}

void Link::SetTcpEndpoint(std::string host, int port) {
    tcpHost_ = std::move(host);
    tcpPort_ = port;
}

void Link::RefreshPortList() {
    ports_ = transport_.ListPorts();
    selectedPort_ = ports_.empty() ? -1 : 0;
}

void Link::SetSearchPlaces(std::vector<std::string> ports, bool network) {
    ports_ = std::move(ports);
    selectedPort_ = ports_.empty() ? -1 : 0;
    searchNetwork_ = network;
}

void Link::PreferPort(const std::string& name) {
    const auto it = std::find(ports_.begin(), ports_.end(), name);
    if (it != ports_.end()) std::rotate(ports_.begin(), it, it + 1);
}

std::string Link::ConnectedPort() const {
    if (LinkState != LinkOnline || TransportKind != TransportSerial || selectedPort_ < 0) return {};
    return ports_[static_cast<std::size_t>(selectedPort_)];
}

void Link::SelectPort(int index) {
    selectedPort_ = (index >= 0 && index < static_cast<int>(ports_.size())) ? index : -1;
}

int Link::Progress() const {
    if (Planned()) return PlannedProgress();
    if (StepCount <= 0) return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(StepIndex) * 100.0 / StepCount));
}

void Link::SetStatus(LinkStatus status) {
    status_ = status;
    display_.StatusChanged(status);
}

void Link::ReportWorkStatus() {
    display_.WorkStatus(status_);
    display_.WorkProgress(Progress());
}

void Link::Write(std::span<const std::uint8_t> bytes) {
    if (TransportKind == TransportTcp) {
        transport_.Write(TransportTcp, bytes);
    } else if (transport_.IsSerialOpen()) {
        transport_.Write(TransportSerial, bytes);
    }
}

void Link::WriteValue(ParamId id, std::uint16_t value) {
    Write(BuildValueFrame(CmdWrite, id, value));
}

void Link::SendLinkCommand(std::uint16_t code) { Write(BuildLinkCommand(code)); }

bool Link::UploadImage(bool readBack) {
    if (LinkState != LinkOnline) return false;
    readBackUpload_ = readBack;
    RaiseLinkEvent(EventUpload);
    return true;
}

void Link::BeginSearch() {
    if (selectedPort_ < 0) {
        TransportKind = TransportTcp;
    } else {
        SelectPort(PortScanIndex);
        TransportKind = TransportSerial;
    }
    Signals.DeviceFound = 0;
    PortScanIndex = 0;
    FreshLink = 0;
    failure_.clear();
    failureKind_ = LinkFailure::None;
    failurePage_ = -1;
    display_.SetHoldsEdits(false);
    timers_.Start(LinkTimer::Search);
    StartSearchFast();
    timers_.Stop(LinkTimer::Transfer);
    timers_.Stop(LinkTimer::Hold);
    StepIndex = 0;
    StepCount = ReadStepCount;
    planPos_ = 0;
}

void Link::LinkBtnClick(bool senderIsLinkBtn) {
    StopReconnecting();
    if (senderIsLinkBtn && LinkState != LinkOnline) {
        BeginSearch();
        display_.LinkActive(true);
        SetStatus(LinkStatus::Searching);
        display_.WorkStatus(status_);
        display_.WorkProgress(0);
        display_.WorkGoesOn();
        return;
    }
    if (LinkState == LinkOnline) SendLinkCommand(LinkDisconnect);
    LeaveOnline();
    LinkState = LinkOffline;
    display_.LinkActive(false);
    timers_.Stop(LinkTimer::Search);
    timers_.Stop(LinkTimer::Transfer);
    timers_.Stop(LinkTimer::Hold);
    SetStatus(LinkStatus::Disconnected);
    StepCount = ReloadStepCount;
    ReportWorkStatus();
    display_.WorkEnded();
}

void Link::TcpConnect() {
    if (auto endpoint = display_.CurrentTcpEndpoint()) SetTcpEndpoint(std::move(endpoint->host), endpoint->port);
    transport_.DisconnectTcp();
    // Half a frame of the last connection would swallow the first answers of this one.
    tcpRx_.Reset();
    transport_.ConnectTcp(tcpHost_, tcpPort_);
}

void Link::OnCloseRequest() {
    if (LinkState == LinkOnline) SendLinkCommand(LinkDisconnect);
}

void Link::OnSearchTick() {
    GiveUpCutOffFrames();
    if (!reconnecting_) display_.WorkGoesOn();
    waitingSince_ = timers_.NowMs();
    // A fast search starts at once and takes the acknowledgement at once; every other
    // port still gets its second.
    if (fastOn_) timers_.SetInterval(LinkTimer::Search, SearchIntervalMs);
    if (Signals.DeviceFound == 1) {
        RaiseLinkEvent(EventLinking);
        return;
    }
    if (TransportKind != TransportTcp) {
        if ((PortScanIndex > LastPortIndex + 1 || selectedPort_ < 0) && !searchNetwork_) {
            PortScanIndex = 0;
            std::string tried;
            for (const std::string& port : ports_) tried += (tried.empty() ? "" : ", ") + port;
            Fail(LinkFailure::NoAnswer, "no answer on " + tried);
            if (transport_.IsSerialOpen()) transport_.CloseSerial();
            RaiseLinkEvent(EventConnectFailed);
            return;
        }
        if (PortScanIndex > LastPortIndex + 1 || selectedPort_ < 0) {
            PortScanIndex = 0;
            TransportKind = TransportTcp;
            display_.WorkPlace(std::nullopt);
            TcpConnect();
            SendLinkCommand(LinkConnect);
        } else {
            if (transport_.IsSerialOpen()) transport_.CloseSerial();
            SelectPort(PortScanIndex);
            if (selectedPort_ >= 0) {
                const std::string name = ports_[static_cast<std::size_t>(selectedPort_)];
                display_.WorkPlace(name);
                LastPortIndex = selectedPort_;
                serialRx_.Reset();
                if (transport_.OpenSerial(name)) SendLinkCommand(LinkConnect);
            } else {
                LastPortIndex = -1;  // past the end of the list: next tick falls back
            }
        }
        PortScanIndex += 1;
        return;
    }
    if (PortScanIndex == 0) {
        display_.WorkPlace(std::nullopt);
        TcpConnect();
    }
    PortScanIndex += 1;
    timers_.SetInterval(LinkTimer::Transfer, TransferTcpIntervalMs);
    if (PortScanIndex < 4) {
        SendLinkCommand(LinkConnect);
    } else {
        PortScanIndex = 0;
        std::string tried;
        for (const std::string& port : ports_) tried += port + ", ";
        Fail(LinkFailure::NoAnswer,
             "no answer " + (tried.empty() ? "" : "on " + tried.substr(0, tried.size() - 2) + " or ") + "from " +
                 Endpoint());
        RaiseLinkEvent(EventConnectFailed);
        transport_.DisconnectTcp();
    }
}

void Link::OnTcpClosed(bool wasConnected, const std::string& reason) {
    if (TransportKind != TransportTcp) return;
    const std::string closed = "connection closed by " + Endpoint();
    if (timers_.IsRunning(LinkTimer::Transfer)) {
        Fail(LinkFailure::Closed, closed + " during the " + TransferName() + " of " + StepText());
        Signals.TransferState = TransferIdle;
        RaiseLinkEvent(EventConnectFailed);
    } else if (timers_.IsRunning(LinkTimer::Hold)) {
        Fail(LinkFailure::Closed, closed);
        timers_.Stop(LinkTimer::Hold);
        RaiseLinkEvent(EventLinkLost);
    } else if (timers_.IsRunning(LinkTimer::Search)) {
        if (wasConnected)
            Fail(LinkFailure::Closed, closed);
        else
            Fail(LinkFailure::CannotConnect, "cannot connect to " + Endpoint() + ": " + reason);
        PortScanIndex = 0;
        RaiseLinkEvent(EventConnectFailed);
    }
}

void Link::StartStep(int step, int upload) {
    if (upload == 1) {
        if (step >= 0 && step <= 5) {
            const int slot = 6 + step;
            WriteValue(MakeId(PageSystem, slot),
                       static_cast<std::uint16_t>(model_.DeviceImage[PageSystem][slot]));
        } else if (step >= 6 && step <= 15) {
            Write(BuildPageBlock(model_, step - 6));
        } else if (step >= 16) {
            Write(BuildValueFrame(CmdRead, IdRemote,
                                  static_cast<std::uint16_t>(model_.ParamImage[PageSystem][17])));
        }
        return;
    }
    if (step >= 0 && step <= 9) {
        Write(BuildPageReadRequest(step));
    } else if (step == ModeNameStep) {
        Write(BuildModeNameRequest(ModeNameIndex - 1));
    } else if (const int item = ReadStepItem(step); item >= 0) {
        Write(BuildItemReadRequest(static_cast<ParamId>(item)));
    }
}

void Link::SendStep() {
    StartStep(StepIndex, UploadFlag);
    waitingSince_ = timers_.NowMs();
    answerScheduled_ = false;
}

void Link::StartTransfer(int pacedIntervalMs) {
    badAnswers_ = 0;
    silentRepeats_ = 0;
    nameCopiesDue_ = 0;
    Signals.DamagedFrame = 0;
    PendingEvent = 0;
    planPos_ = 0;
    PaceTransfer(pacedIntervalMs);
}

std::string Link::CurrentName() const {
    const int mode = ModeNameIndex - 1;
    return mode >= 0 && mode < ModeCount ? model_.ModeNames[static_cast<std::size_t>(mode)] : std::string();
}

Link::StepAnswer Link::CheckAnswer() const {
    const int state = Signals.TransferState;
    if (state == TransferAcked && UploadFlag == 1) return StepAnswer::Taken;
    if (state != TransferFrameReceived) return StepAnswer::None;
    if (Signals.DamagedFrame == 1) return StepAnswer::Damaged;
    if (UploadFlag == 1) return StepAnswer::Taken;
    const int address = Signals.FrameAddress;
    if (StepIndex == ModeNameStep) {
        // Anything but a name is the late answer to an earlier request; taking it for
        // the name would file every following name under the mode before.
        if (address != IdModeName) return StepAnswer::Late;
        // A name asked for again may come twice; the second copy is no answer to the
        // next request. (Names carry no mode number: the copy is known by its text.)
        if (nameCopiesDue_ > 0 && CurrentName() == lastName_) return StepAnswer::NameCopy;
        return StepAnswer::Taken;
    }
    if (!AnswersReadStep(StepIndex, address))
        for (int step = 0; step <= StepCount; ++step)
            if (AnswersReadStep(step, address)) return StepAnswer::Late;
    return StepAnswer::Taken;
}

void Link::TakeAnswer() {
    int& state = Signals.TransferState;
    if (StepIndex == ModeNameStep && UploadFlag == 0) {
        nameCopiesDue_ += silentRepeats_;
        lastName_ = CurrentName();
    }
    badAnswers_ = 0;
    silentRepeats_ = 0;
    // A planned read walks its own steps; the others go through the fixed order.
    const bool planned = Planned();
    if (planned ? NextPlannedStep() : StepIndex < StepCount) {
        if (!planned && StepIndex == ModeNameStep) {
            ModeNameIndex += 1;
            if (ModeNameIndex > ModeCount || UploadFlag == 1) {
                ModeNameIndex = 0;
                StepIndex = 19;
            }
        } else if (!planned) {
            if (StepIndex == 17) ModeNameIndex += 1;
            StepIndex += 1;
        }
        SendStep();
    } else if (UploadFlag == 1 && readBackUpload_) {
        // Every frame is acknowledged, which does not say the words were stored: the
        // pages are read back before the link goes online.
        readBackUpload_ = false;
        RaiseLinkEvent(EventReload);
        readingBack_ = true;
        SetStatus(LinkStatus::Verifying);
    } else {
        state = TransferIdle;
        timers_.Stop(LinkTimer::Transfer);
        RaiseLinkEvent(EventOnline);
        timers_.SetInterval(LinkTimer::Transfer, TransferIntervalMs);
    }
    state = TransferWaiting;
    StepTicks = 0;
}

void Link::SkipAnswer(StepAnswer answer) {
    // A late answer's words are stored by their address already; this step's own
    // answer is still coming.
    if (answer == StepAnswer::NameCopy) nameCopiesDue_ -= 1;
    if (answer == StepAnswer::NameCopy || answer == StepAnswer::Late) Signals.TransferState = TransferWaiting;
}

void Link::AskAgainAfterDamage() {
    // The answer came back damaged: going on would leave its slots unread while the
    // read reports success. The step is asked again, a few times at most; after that
    // it is late like a step without answer.
    Signals.DamagedFrame = 0;
    StepTicks = 0;
    if (badAnswers_ < MaxDamagedAnswers) {
        badAnswers_ += 1;
        SendStep();
        Signals.TransferState = TransferWaiting;
    } else {
        Signals.TransferState = TransferLate;
    }
}

void Link::AskAgainAfterSilence() {
    // Nothing came back for the current step, whatever state it was sent from (over
    // serial the read starts from 0, over TCP the connect command's acknowledgement
    // leaves 1): the step is asked again, as a damaged answer is. A processor that has
    // died would keep that going for ever: after so many repeats the step is late. A
    // later step still fails 111 ticks after it first went out, as it did before it
    // was ever repeated.
    const bool firstSteps = StepIndex <= 1;
    if (silentRepeats_ < (firstSteps ? MaxFirstStepRepeats : MaxLaterStepRepeats)) {
        silentRepeats_ += 1;
        SendStep();
        StepTicks = 0;
    } else {
        Signals.TransferState = TransferLate;
        StepTicks = firstSteps ? 0 : TicksPerWait * silentRepeats_;
    }
}

void Link::OnTransferTick() {
    GiveUpCutOffFrames();
    if (StepTicks < StepTicksMax) StepTicks += 1;
    ReportWorkStatus();
    if (!reconnecting_) display_.WorkGoesOn();
    if (fast_) {
        FastTransferTick();
        return;
    }

    const StepAnswer answer = CheckAnswer();
    switch (answer) {
    case StepAnswer::Taken:
        TakeAnswer();
        return;
    case StepAnswer::Damaged:
        AskAgainAfterDamage();
        return;
    case StepAnswer::NameCopy:
    case StepAnswer::Late:
        SkipAnswer(answer);
        return;
    case StepAnswer::None:
        break;
    }
    if (Signals.TransferState == TransferLate) {
        if (StepTicks >= StepTicksMax) {
            Signals.TransferState = TransferIdle;
            const bool damaged = badAnswers_ >= MaxDamagedAnswers;
            Fail(damaged ? LinkFailure::TransferDamaged : LinkFailure::TransferSilent,
                 (damaged ? "the processor's answers stayed damaged" : "lost the processor") +
                     std::string(" during the ") + TransferName() + " at " + StepText());
            RaiseLinkEvent(EventConnectFailed);
        }
    } else if (StepTicks > WaitTicksBeforeRetry) {
        AskAgainAfterSilence();
    }
}

std::vector<std::string> Link::ModeListItems() const {
    std::vector<std::string> items;
    for (int k = 1; k <= ModeCount; ++k)
        items.push_back(std::to_string(k) + "-" + model_.ModeNames[static_cast<std::size_t>(k - 1)]);
    return items;
}

void Link::AfterFeed() {
    if (fastOn_) FastAfterFeed();
    for (const std::string& line : serialRx_.TakeDiagnostics()) display_.Diagnostic(line);
    for (const std::string& line : tcpRx_.TakeDiagnostics()) display_.Diagnostic(line);
    if (model_.DeviceIdentity != shownIdentity_) {
        shownIdentity_ = model_.DeviceIdentity;
        display_.IdentityChanged(shownIdentity_);
    }
}

FeedContext Link::RxContext() const {
    // Only a transfer step asks the processor for data.
    return {ModeNameIndex, timers_.IsRunning(LinkTimer::Transfer), timers_.NowMs()};
}

void Link::GiveUpCutOffFrames() {
    // Every tick comes here; the clock is read only when part of a frame waits.
    if (serialRx_.PendingBytes() == 0 && tcpRx_.PendingBytes() == 0) return;
    const bool serial = serialRx_.GiveUpCutOff(model_, Signals, RxContext());
    if (tcpRx_.GiveUpCutOff(model_, Signals, RxContext()) || serial) AfterFeed();
}

void Link::OnSerialBytes(std::span<const std::uint8_t> bytes) {
    serialRx_.Feed(bytes, model_, Signals, RxContext());
    AfterFeed();
}

void Link::OnTcpBytes(std::span<const std::uint8_t> bytes) {
    if (TransportKind != TransportTcp) return;
    tcpRx_.Feed(bytes, model_, Signals, RxContext());
    AfterFeed();
}

void Link::RaiseLinkEvent(int event) {
    switch (event) {
    case EventOnline:
        readingBack_ = false;
        reconnecting_ = false;
        wasOnline_ = true;
        timers_.Stop(LinkTimer::Reconnect);
        model_.ModeFlag = ModeCopyOf(model_.DeviceImage[PageMusic][1]);
        if (FreshLink == 0) FreshLink = 1;
        display_.ImageLoaded();
        LinkState = LinkOnline;
        Writes.Clear();
        Bands.Clear();
        ForgetPacedSends();
        display_.LinkActive(true);
        SetStatus(LinkStatus::Online);
        ReportWorkStatus();
        display_.WorkEnded();
        display_.CameOnline();
        timers_.Start(LinkTimer::Hold);
        break;
    case EventReload:
        timers_.Stop(LinkTimer::Search);
        timers_.Start(LinkTimer::Transfer);
        Writes.Clear();
        Bands.Clear();
        ForgetPacedSends();
        timers_.Stop(LinkTimer::Hold);
        StepIndex = 0;
        StepCount = ReloadStepCount;
        UploadFlag = 0;
        SetStatus(LinkStatus::Loading);
        SendStep();
        LinkState = LinkOffline;
        StartTransfer(TransferIntervalMs);
        break;
    case EventSaved:
        display_.ModeNamesChanged(ModeListItems());
        LinkState = LinkOnline;
        SetStatus(LinkStatus::Online);
        display_.Notify(LinkNotice::Saved);
        break;
    case EventLinking:
        readBackUpload_ = false;
        readingBack_ = false;
        timers_.Stop(LinkTimer::Search);
        Writes.Clear();
        Bands.Clear();
        ForgetPacedSends();
        timers_.Stop(LinkTimer::Hold);
        StepIndex = 0;
        StepCount = ReadStepCount;
        UploadFlag = 0;
        Signals.TransferState = TransferIdle;
        if (TransportKind == TransportTcp) {
            SendLinkCommand(LinkConnect);
            Signals.TransferState = TransferWaiting;
            timers_.SetInterval(LinkTimer::Transfer, TransferTcpIntervalMs);
        }
        StepTicks = 0;
        LinkState = LinkOffline;
        SetStatus(LinkStatus::Linking);
        SendStep();
        timers_.Start(LinkTimer::Transfer);
        StartTransfer(TransportKind == TransportTcp ? TransferTcpIntervalMs : TransferIntervalMs);
        break;
    case EventUpload:
        if (LinkState != LinkOnline) return;  // nothing to upload to
        timers_.Stop(LinkTimer::Search);
        timers_.Start(LinkTimer::Transfer);
        Writes.Clear();  // the band queue stays
        ForgetPacedSends();
        timers_.Stop(LinkTimer::Hold);
        StepIndex = 0;
        StepCount = ReloadStepCount;
        UploadFlag = 1;
        SetStatus(LinkStatus::Uploading);
        LinkState = LinkOffline;
        SendStep();
        StartTransfer(TransferIntervalMs);
        break;
    case EventLinkLost:
        if (WaitToReconnect()) break;
        LeaveOnline();
        timers_.Stop(LinkTimer::Transfer);
        timers_.Stop(LinkTimer::Search);
        display_.SetHoldsEdits(false);
        LinkState = LinkOffline;
        display_.LinkActive(false);
        SetStatus(LinkStatus::Offline);
        ReportWorkStatus();
        display_.WorkEnded();
        display_.Notify(LinkNotice::Disconnected);
        break;
    case EventConnectFailed:
        if (WaitToReconnect()) break;
        LeaveOnline();
        timers_.Stop(LinkTimer::Transfer);
        timers_.Stop(LinkTimer::Search);
        display_.SetHoldsEdits(false);
        SetStatus(LinkStatus::Offline);
        display_.WorkStatus(status_);
        display_.LinkActive(false);
        display_.WorkProgress(Progress());
        display_.WorkEnded();
        display_.Notify(LinkNotice::ConnectFailed);
        break;
    default:
        return;  // events 5 and 8 do not exist
    }
    if (saveDropped_) {
        saveDropped_ = false;
        display_.Notify(LinkNotice::SaveFailed);
    }
    if (EventObserver) EventObserver(event);
}

}  // namespace kdsp
