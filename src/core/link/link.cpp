// The link state machine: link buttons, the search, the transfer steps of a read,
// reload or upload, the link events with their texts and messages, and disconnect.
#include "core/link/link.h"

#include <utility>

#include "core/model/codecs.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {
constexpr int WaitTicksBeforeRetry = 10;  // a step is repeated or late after 1.1 s
constexpr int ModeCount = 9;
constexpr int MaxDamagedAnswers = 5;  // repeats of one step whose answers fail their checksum
constexpr int MaxFirstStepRepeats = 9;  // about ten seconds of step 0 or 1 unanswered
}  // namespace

Link::Link(Model& model, Transport& transport, LinkTimers& timers, LinkHost& host)
    : model_(model), transport_(transport), timers_(timers), host_(host) {}

void Link::SetTcpEndpoint(std::string host, int port) {
    tcpHost_ = std::move(host);
    tcpPort_ = port;
}

void Link::RefreshPortList() {
    ports_ = transport_.ListPorts();
    selectedPort_ = ports_.empty() ? -1 : 0;
}

void Link::SelectPort(int index) {
    selectedPort_ = (index >= 0 && index < static_cast<int>(ports_.size())) ? index : -1;
}

int Link::Progress() const {
    if (StepCount <= 0) return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(StepIndex) * 100.0 / StepCount));
}

void Link::SetLinkCaption(const std::string& caption) {
    linkCaption_ = caption;
    host_.SetLinkLabel(linkCaption_, linkHint_);
}

void Link::ShowLinkStatus(const std::string& chinese, const std::string& english) {
    if (LanguageFlag == 1) {
        linkCaption_ = chinese;
        linkHint_ = english;
    } else {
        linkCaption_ = english;
        linkHint_ = chinese;
    }
    host_.SetLinkLabel(linkCaption_, linkHint_);
}

void Link::ShowMessage(const std::string& chinese, const std::string& english) {
    if (LanguageFlag == 1)
        host_.ShowMessage("提示", chinese);
    else
        host_.ShowMessage("Confirm", english);
}

void Link::DialogTakesLabelAndProgress() {
    host_.SetStatusText(linkCaption_);
    host_.SetStatusProgress(Progress());
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

void Link::LinkBtnClick(bool senderIsLinkBtn) {
    if (senderIsLinkBtn && LinkState != LinkOnline) {
        if (selectedPort_ < 0) {
            TransportKind = TransportTcp;
        } else {
            SelectPort(PortScanIndex);
            TransportKind = TransportSerial;
        }
        Signals.DeviceFound = 0;
        PortScanIndex = 0;
        FreshLink = 0;
        host_.SetSuppressSend(false);
        timers_.Start(LinkTimer::Search);
        host_.ShowLinkButtons(true);
        timers_.Stop(LinkTimer::Transfer);
        timers_.Stop(LinkTimer::Hold);
        SetLinkCaption("设备搜索...");
        StepIndex = 0;
        StepCount = ReadStepCount;
        host_.SetStatusText(linkCaption_);
        host_.SetStatusProgress(0);
        host_.ShowStatusDialog();
        return;
    }
    if (LinkState == LinkOnline) SendLinkCommand(LinkDisconnect);
    LeaveOnline();
    LinkState = LinkOffline;
    host_.ShowLinkButtons(false);
    timers_.Stop(LinkTimer::Search);
    timers_.Stop(LinkTimer::Transfer);
    timers_.Stop(LinkTimer::Hold);
    SetLinkCaption("设备未连接");
    StepCount = ReloadStepCount;
    DialogTakesLabelAndProgress();
    host_.HideStatusDialog();
}

void Link::TcpConnect() {
    transport_.DisconnectTcp();
    transport_.ConnectTcp(tcpHost_, tcpPort_);
}

void Link::OnCloseRequest() {
    if (LinkState == LinkOnline) SendLinkCommand(LinkDisconnect);
}

void Link::OnSearchTick() {
    host_.ShowStatusDialog();
    if (Signals.DeviceFound == 1) {
        RaiseLinkEvent(EventLinking);
        return;
    }
    if (TransportKind != TransportTcp) {
        if (PortScanIndex > LastPortIndex + 1 || selectedPort_ < 0) {
            PortScanIndex = 0;
            TransportKind = TransportTcp;
            host_.SetStatusPort("Network");
            TcpConnect();
            SendLinkCommand(LinkConnect);
        } else {
            if (transport_.IsSerialOpen()) transport_.CloseSerial();
            SelectPort(PortScanIndex);
            if (selectedPort_ >= 0) {
                const std::string name = ports_[static_cast<std::size_t>(selectedPort_)];
                host_.SetStatusPort(name);
                LastPortIndex = selectedPort_;
                if (transport_.OpenSerial(name)) SendLinkCommand(LinkConnect);
            } else {
                LastPortIndex = -1;  // past the end of the list: next tick falls back
            }
        }
        PortScanIndex += 1;
        return;
    }
    if (PortScanIndex == 0) {
        host_.SetStatusPort("Network");
        TcpConnect();
    }
    PortScanIndex += 1;
    timers_.SetInterval(LinkTimer::Transfer, TransferTcpIntervalMs);
    if (PortScanIndex < 4) {
        SendLinkCommand(LinkConnect);
    } else {
        PortScanIndex = 0;
        RaiseLinkEvent(EventConnectFailed);
        transport_.DisconnectTcp();
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
    } else if (step >= 10 && step <= 14) {
        Write(BuildItemReadRequest(MakeId(PageSystem, 0x07 + step - 10)));
    } else if (step >= 15 && step <= 17) {
        Write(BuildItemReadRequest(MakeId(PageSystem, 0x20 + step - 15)));
    } else if (step == 18) {
        Write(BuildModeNameRequest(ModeNameIndex - 1));
    } else if (step == 19) {
        Write(BuildItemReadRequest(0x0A06));
    } else if (step >= 20 && step <= 23) {
        Write(BuildItemReadRequest(MakeId(PageSystem, 0x02 + step - 20)));
    } else if (step >= 24 && step <= 26) {
        Write(BuildItemReadRequest(MakeId(PageSystem, 0x0C + step - 24)));
    } else if (step == 27) {
        Write(BuildItemReadRequest(IdDeviceIdentity));
    } else if (step == 28) {
        Write(BuildItemReadRequest(IdRemote));
    } else if (step == 29) {
        Write(BuildItemReadRequest(IdSaveMode));
    }
}

void Link::OnTransferTick() {
    if (StepTicks < StepTicksMax) StepTicks += 1;
    DialogTakesLabelAndProgress();
    host_.ShowStatusDialog();

    int& state = Signals.TransferState;
    const bool answered =
        state == TransferFrameReceived || (state == TransferAcked && UploadFlag == 1);
    if (answered && state == TransferFrameReceived && Signals.DamagedFrame == 1) {
        // The answer came back damaged: going on would leave its slots unread while
        // the read reports success. The step is asked again, a few times at most;
        // after that it is late like a step without answer.
        Signals.DamagedFrame = 0;
        StepTicks = 0;
        if (badAnswers_ < MaxDamagedAnswers) {
            badAnswers_ += 1;
            StartStep(StepIndex, UploadFlag);
            state = TransferWaiting;
        } else {
            state = TransferLate;
        }
    } else if (answered && state == TransferFrameReceived && UploadFlag == 0 && StepIndex == 18 &&
               Signals.FrameAddress != IdModeName) {
        // Not a name: the late answer to an earlier request that was repeated (its
        // words are stored by their address already). Taking it for the name would
        // file every following name under the mode before; the name is still coming.
        state = TransferWaiting;
    } else if (answered) {
        badAnswers_ = 0;
        firstStepRepeats_ = 0;
        if (StepIndex < StepCount) {
            if (StepIndex == 18) {
                ModeNameIndex += 1;
                if (ModeNameIndex > ModeCount || UploadFlag == 1) {
                    ModeNameIndex = 0;
                    StepIndex = 19;
                }
            } else {
                if (StepIndex == 17) ModeNameIndex += 1;
                StepIndex += 1;
            }
            StartStep(StepIndex, UploadFlag);
        } else {
            state = TransferIdle;
            timers_.Stop(LinkTimer::Transfer);
            RaiseLinkEvent(EventOnline);
            timers_.SetInterval(LinkTimer::Transfer, TransferIntervalMs);
        }
        state = TransferWaiting;
        StepTicks = 0;
    } else if (state == TransferLate) {
        if (StepTicks >= StepTicksMax) {
            state = TransferIdle;
            RaiseLinkEvent(EventConnectFailed);
        }
    } else if (StepTicks > WaitTicksBeforeRetry) {
        // Nothing came back for the current step, whatever state it was sent from
        // (over serial the read starts from 0, over TCP the connect command's
        // acknowledgement leaves 1): the first two steps are repeated, later ones
        // are late.
        // A processor that answered the connect command and then died would keep
        // the first steps going for ever, with nothing said: after so many repeats
        // they are late too.
        if (StepIndex <= 1 && firstStepRepeats_ < MaxFirstStepRepeats) {
            firstStepRepeats_ += 1;
            StartStep(StepIndex, UploadFlag);
        } else {
            state = TransferLate;
        }
        StepTicks = 0;
    }
}

std::vector<std::string> Link::ModeListItems() const {
    std::vector<std::string> items;
    for (int k = 1; k <= ModeCount; ++k)
        items.push_back(std::to_string(k) + "-" + model_.ModeNames[static_cast<std::size_t>(k - 1)]);
    return items;
}

void Link::AfterFeed() {
    for (const std::string& line : serialRx_.TakeDiagnostics()) host_.Diagnostic(line);
    for (const std::string& line : tcpRx_.TakeDiagnostics()) host_.Diagnostic(line);
    if (model_.DeviceIdentity != shownIdentity_) {
        shownIdentity_ = model_.DeviceIdentity;
        host_.ShowDeviceIdentity(shownIdentity_);
    }
}

void Link::OnSerialBytes(std::span<const std::uint8_t> bytes) {
    serialRx_.Feed(bytes, model_, Signals, ModeNameIndex);
    AfterFeed();
}

void Link::OnTcpBytes(std::span<const std::uint8_t> bytes) {
    if (TransportKind != TransportTcp) return;
    tcpRx_.Feed(bytes, model_, Signals, ModeNameIndex);
    AfterFeed();
}

void Link::RaiseLinkEvent(int event) {
    switch (event) {
    case EventOnline:
        model_.ModeFlag = model_.DeviceImage[PageMusic][1];
        if (FreshLink == 0) FreshLink = 1;
        host_.RefreshAllPages();
        LinkState = LinkOnline;
        Writes.Clear();
        Bands.Clear();
        ForgetPacedSends();
        host_.ShowLinkButtons(true);
        ShowLinkStatus("设备已连接", "Online");
        DialogTakesLabelAndProgress();
        host_.HideStatusDialog();
        host_.ShowMainWindow();
        timers_.Start(LinkTimer::Hold);
        break;
    case EventReload:
        timers_.Stop(LinkTimer::Search);
        timers_.Start(LinkTimer::Transfer);
        Writes.Clear();
        Bands.Clear();
        ForgetPacedSends();
        PendingEvent = 0;
        timers_.Stop(LinkTimer::Hold);
        StepIndex = 0;
        StepCount = ReloadStepCount;
        UploadFlag = 0;
        badAnswers_ = 0;
        firstStepRepeats_ = 0;
        Signals.DamagedFrame = 0;
        ShowLinkStatus("加载中...", "Loading...");
        StartStep(0, 0);
        LinkState = LinkOffline;
        break;
    case EventSaved:
        host_.RebuildModeList(ModeListItems());
        LinkState = LinkOnline;
        ShowLinkStatus("设备已连接", "Online");
        ShowMessage("保存成功!", "Save Success!");
        break;
    case EventLinking:
        timers_.Stop(LinkTimer::Search);
        Writes.Clear();
        Bands.Clear();
        ForgetPacedSends();
        PendingEvent = 0;
        timers_.Stop(LinkTimer::Hold);
        StepIndex = 0;
        StepCount = ReadStepCount;
        UploadFlag = 0;
        badAnswers_ = 0;
        firstStepRepeats_ = 0;
        Signals.DamagedFrame = 0;
        Signals.TransferState = TransferIdle;
        if (TransportKind == TransportTcp) {
            SendLinkCommand(LinkConnect);
            Signals.TransferState = TransferWaiting;
            timers_.SetInterval(LinkTimer::Transfer, TransferTcpIntervalMs);
        }
        StepTicks = 0;
        LinkState = LinkOffline;
        ShowLinkStatus("连接中...", "Linking...");
        StartStep(0, 0);
        timers_.Start(LinkTimer::Transfer);
        break;
    case EventUpload:
        if (LinkState != LinkOnline) return;  // nothing to upload to
        timers_.Stop(LinkTimer::Search);
        timers_.Start(LinkTimer::Transfer);
        Writes.Clear();  // the band queue stays
        ForgetPacedSends();
        PendingEvent = 0;
        timers_.Stop(LinkTimer::Hold);
        StepIndex = 0;
        StepCount = ReloadStepCount;
        UploadFlag = 1;
        badAnswers_ = 0;
        firstStepRepeats_ = 0;
        Signals.DamagedFrame = 0;
        ShowLinkStatus("下载数据...", "Download...");
        LinkState = LinkOffline;
        StartStep(0, 1);
        break;
    case EventLinkLost:
        LeaveOnline();
        timers_.Stop(LinkTimer::Transfer);
        timers_.Stop(LinkTimer::Search);
        host_.SetSuppressSend(false);
        LinkState = LinkOffline;
        host_.ShowLinkButtons(false);
        ShowLinkStatus("设备未连接", "Off Line");
        DialogTakesLabelAndProgress();
        host_.HideStatusDialog();
        ShowMessage("已断开连接!", "Off Line!");
        break;
    case EventConnectFailed:
        LeaveOnline();
        timers_.Stop(LinkTimer::Transfer);
        timers_.Stop(LinkTimer::Search);
        host_.SetSuppressSend(false);
        ShowLinkStatus("设备未连接", "Off Line");
        host_.SetStatusText(linkCaption_);
        host_.ShowLinkButtons(false);
        host_.SetStatusProgress(Progress());
        host_.HideStatusDialog();
        ShowMessage("连接失败!", "Off Line!");
        break;
    default:
        return;  // events 5 and 8 do not exist
    }
    if (saveDropped_) {
        saveDropped_ = false;
        ShowMessage("保存失败!", "Save Failed!");
    }
    if (EventObserver) EventObserver(event);
}

}  // namespace kdsp
