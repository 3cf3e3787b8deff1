// The connection to the processor: the search over serial ports and TCP, the
// paced whole-memory transfers, the link events, and the paced stream of edits.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/fast_transfer.h"
#include "core/link/link_interfaces.h"
#include "core/link/read_plan.h"
#include "core/link/reconnect.h"
#include "core/link/write_queue.h"
#include "core/model/model.h"
#include "core/protocol/receiver.h"

namespace kdsp {

// Values of LinkState.
inline constexpr int LinkOffline = 0;
inline constexpr int LinkOnline = 2;

inline constexpr int ReadStepCount = 29;    // steps 0..29 of a linking read
inline constexpr int ReloadStepCount = 19;  // a reload, and an upload, stop at 19
inline constexpr int StepTicksMax = 100;

// The events the link raises (RaiseLinkEvent), told after their effects. Only the
// session follows them; it reports them to its front end as typed events.
enum LinkEvent : int {
    EventOnline = 1,
    EventReload = 2,
    EventSaved = 3,
    EventLinking = 4,
    EventUpload = 6,
    EventLinkLost = 7,
    EventConnectFailed = 9,
};

// Why the last attempt ended in "connect failed" or "link lost".
enum class LinkFailure {
    None,
    NoAnswer,         // the search had no answer on any port or end point tried
    CannotConnect,    // the socket never came up (FailureReason() has the system's words)
    Closed,           // the processor closed the connection
    TransferSilent,   // a step of a read, reload or upload went unanswered
    TransferDamaged,  // a step's answers kept failing their checksum
    Silent,           // online, the processor stopped answering
    Unconfirmed,      // a recall or save was never confirmed
};

// What the link waits for, as a progress line or an event names it.
struct LinkWait {
    enum class Item {
        Nothing,
        Answer,            // to the connect command (on a port, or from the end point)
        Page,              // `page`
        SystemSettings,
        ModeNames,
        Passwords,
        Identity,
        ClosingWord,       // the last word of an upload
        StoredMode,        // the processor loading a recalled stored mode
        SaveConfirmation,  // the processor confirming a save
    };
    Item item = Item::Nothing;
    int page = -1;
};

class Link {
public:
    Link(Model& model, Transport& transport, LinkTimers& timers, LinkDisplay& display);

    // --- settings the window edits ------------------------------------------------
    // The TCP end point (IPstrEdit / IPPortStrEdit).
    void SetTcpEndpoint(std::string host, int port);
    const std::string& TcpHost() const { return tcpHost_; }
    int TcpPort() const { return tcpPort_; }
    // Lists the serial ports (ComComboBox1) and selects the first one, if any.
    void RefreshPortList();
    // The search tries these ports only, and the network after them only with
    // `network`; without it, a search that finds nothing on them fails at once.
    void SetSearchPlaces(std::vector<std::string> ports, bool network);
    const std::vector<std::string>& Ports() const { return ports_; }
    int SelectedPort() const { return selectedPort_; }  // -1: no selected item
    // Moves `name` to the head of the port list, so the search tries the port the
    // processor was last found on first; a port not listed changes nothing.
    void PreferPort(const std::string& name);
    // The serial port the link is online on; empty when not online over serial.
    std::string ConnectedPort() const;

    // --- entry points -----------------------------------------------------------
    // LinkBtn (connect, unless already online) and UnLinkBtn (disconnect).
    void LinkBtnClick(bool senderIsLinkBtn);
    void TcpConnect();
    void OnSearchTick();    // Timer1
    void OnTransferTick();  // Timer2
    void OnHoldTick();      // HoldTimer
    void OnReconnectTick();  // the wait before the next attempt to reconnect is over
    // Bytes from the serial port (always handled) and from the socket (handled only
    // while the link runs over TCP).
    void OnSerialBytes(std::span<const std::uint8_t> bytes);
    void OnTcpBytes(std::span<const std::uint8_t> bytes);
    void RaiseLinkEvent(int event);
    // The whole-image upload (event 6). With `readBack`, once the processor has
    // acknowledged every frame the pages are read again (a reload) before the link
    // goes online, so what the processor
    // kept can be compared with what was sent (LinkStatus::Verifying). False (nothing
    // sent) while not online.
    bool UploadImage(bool readBack);
    // The reload now running is the read-back of an upload.
    bool ReadingBack() const { return readingBack_; }
    void SendLinkCommand(std::uint16_t code);
    void StartStep(int step, int upload);
    // The main window's close request: the processor is told when it is online.
    void OnCloseRequest();

    // Edits (write_queue.cpp).
    void SendParam(ParamId id, int value);
    void SendBandParam(ParamId id, int value);
    // The same for a storage id as it stands: the copy it names whatever the view
    // selectors say (the band frame is built from that page's parameter image).
    void SendStoredParam(ParamId storageId, int value);
    void SendStoredBandParam(ParamId storageId, int value);
    // Saves the current settings as stored mode 0..8 under `name`; false (nothing
    // sent) for a mode outside the list. While edits wait or the last frame is
    // unacknowledged, the save goes out after them (WaitingSave()).
    bool SaveAsMode(int mode, std::string_view name);
    bool WaitingSave() const { return !waitingSave_.empty(); }
    // The system (0x0A04) or panel (0x0A05) password command with these digits.
    void SendPassword(ParamId id, std::string_view digits);

    // The socket has closed: the processor hung up, or the connection never came up
    // (reason: the system's words). Noticed at once while the link works over TCP.
    void OnTcpClosed(bool wasConnected, const std::string& reason);

    // What the link waits for, for a progress line: "page 6", "mode names", "an answer
    // from 192.168.1.100:8889"...; empty when it waits for nothing.
    std::string WaitingFor() const;
    // How long the step (or connect command) now waiting has been waiting, in ms.
    long WaitedMs() const;
    // Why the last attempt ended in "connect failed" or "link lost", in English:
    // "lost the processor during the read at page 6", "connection closed by
    // 127.0.0.1:8889 during the read of page 6"...
    const std::string& FailureReason() const { return failure_; }
    // The same, typed, with the page of the transfer step it happened at (-1 for none).
    LinkFailure FailureKind() const { return failureKind_; }
    int FailurePage() const { return failurePage_; }
    // What WaitingFor() says, typed.
    LinkWait Waiting() const;

    // Fast transfers (off by default): the next step of a read, reload or upload goes
    // out as soon as the previous step's answer has been taken in. Taken up by the
    // next search or transfer.
    void SetFastTransfers(bool on, FastTransferTiming timing = {});
    bool FastTransfers() const { return fastOn_; }

    // Reads of part of the memory (read_plan.cpp): every later read and reload asks
    // only the plan's steps; an empty plan (the default) reads the whole memory.
    // Uploads are never shortened.
    void SetReadPlan(ReadPlan plan);

    // Reconnecting by itself (off by default): once a session has been online, a lost
    // link or a failed reload, upload or read does not end it; the link waits
    // (ReconnectSchedule) and searches again, without the status dialog or messages,
    // until the processor answers and the read has run. The link button connects at
    // once and ends the retries, as does disconnecting.
    void SetAutoReconnect(bool on, ReconnectTiming timing = {});
    bool Reconnecting() const { return reconnecting_; }
    // A read, reload or upload is running.
    bool Transferring() const { return timers_.IsRunning(LinkTimer::Transfer); }

    // What the link label shows now (the status dialog takes it at its next tick).
    LinkStatus Status() const { return status_; }
    // StepIndex / StepCount in percent, halves to even.
    int Progress() const;

    // Told of every event RaiseLinkEvent handles, after its effects (the session
    // follows the link through it; tests too).
    std::function<void(int)> EventObserver;

    // --- link variables ---------------------------------------------------------
    int TransportKind = TransportSerial;
    int LinkState = LinkOffline;
    LinkSignals Signals;  // DeviceFound, ClearToSend, TransferState
    int StepIndex = 0;
    int StepCount = 0;
    int StepTicks = 0;
    int UploadFlag = 0;
    int ModeNameIndex = 0;
    int PortScanIndex = 0;
    int LastPortIndex = 0;
    int PendingEvent = 0;
    int FreshLink = 0;

    // --- write queue and keep-alive ---------------------------------------------
    WriteQueue Writes;
    BandQueue Bands;
    int RepeatLast = 0;
    // Which edit the last paced frame carried, so a silent processor gets that
    // edit again rather than a keep-alive that would let the value go missing.
    enum class Outstanding { None, Value, Band } LastWrite = Outstanding::None;
    int IdleTicks = 0;
    int SilentSeconds = 0;

private:
    // How a transfer step's answer stands at a tick.
    enum class StepAnswer {
        None,      // nothing (or only an acknowledgement during a read) yet
        Taken,     // the answer: go on
        Damaged,   // a frame failing its checksum: ask again
        Late,      // the late answer to an earlier request: keep waiting
        NameCopy,  // the second copy of a name asked for twice: keep waiting
    };
    StepAnswer CheckAnswer() const;
    void TakeAnswer();
    void SkipAnswer(StepAnswer answer);  // a late answer or a name's second copy
    void AskAgainAfterDamage();
    void AskAgainAfterSilence();
    // Sends the current step's request (StartStep) and notes when.
    void SendStep();
    // At the start of every transfer, once its first step is out: repeat counters
    // and the pending event start afresh, and the pace is set (fast when asked for).
    void StartTransfer(int pacedIntervalMs);
    std::string CurrentName() const;  // the name filed under the mode asked for last
    void Fail(LinkFailure kind, std::string text);  // sets what FailureReason() and FailureKind() say
    LinkWait StepWait() const;         // what the current step asks for
    std::string TransferName() const;  // "read", "reload", "upload"
    std::string StepText() const;      // what the current step asks for
    std::string Endpoint() const;      // HOST:PORT

    // Fast transfers (fast_transfer.cpp).
    void RestartTimer(LinkTimer timer, int ms);
    int FastDeadlineMs() const;
    void PaceTransfer(int pacedIntervalMs);
    void EndFastPace();  // a transfer given up (or the link left) at the fast pace
    void StartSearchFast();
    void FastAfterFeed();
    void FastTransferTick();

    // Reads of part of the memory (read_plan.cpp).
    bool Planned() const;      // the transfer now running follows a plan
    bool NextPlannedStep();    // false when the plan's last step has been answered
    int PlannedProgress() const;

    // The search the link button starts (also each attempt to reconnect).
    void BeginSearch();
    // Reconnecting (reconnect.cpp): instead of giving up on a lost link or a failed
    // attempt, wait for the next one; false when this session is not taken up again.
    bool WaitToReconnect();
    void StopReconnecting();

    // A recall or save write: the next acknowledgement raises its event.
    bool AwaitAcknowledgementOf(ParamId id);
    void QueueParam(ParamId storageId, int value);
    void QueueBandParam(ParamId storageId);
    // The queues were emptied by a transfer or a new link: the repeat of the last
    // write and the memory of the outstanding frame go with them.
    void ForgetPacedSends();
    // The user disconnects, or the link is lost or fails: a held save is dropped, no
    // later acknowledgement may raise the event a recall or save was waiting for, and
    // a fast transfer's pace ends.
    void LeaveOnline();
    void SendSave(std::span<const std::uint8_t> frame);
    void Write(std::span<const std::uint8_t> bytes);
    void WriteValue(ParamId id, std::uint16_t value);
    void SetStatus(LinkStatus status);
    void ReportWorkStatus();
    void SelectPort(int index);
    FeedContext RxContext() const;
    // A frame cut off by the processor is given up in time (on every tick), so the
    // answers behind it are taken in.
    void GiveUpCutOffFrames();
    void AfterFeed();
    std::vector<std::string> ModeListItems() const;

    Model& model_;
    Transport& transport_;
    LinkTimers& timers_;
    LinkDisplay& display_;

    // Two assemblers: a serial port left open after a fall-back to TCP must not mix
    // stray bytes into the frames of the socket, and the other way round.
    RxAssembler serialRx_;
    RxAssembler tcpRx_;

    std::string tcpHost_ = FactoryTcpHost;
    int tcpPort_ = FactoryTcpPort;
    std::vector<std::string> ports_;
    int selectedPort_ = -1;
    LinkStatus status_ = LinkStatus::Disconnected;
    std::string shownIdentity_;
    std::vector<std::uint8_t> waitingSave_;  // a save-as-mode frame behind the queues
    bool saveDropped_ = false;  // a transfer forgot a held save: say so after the event
    int badAnswers_ = 0;     // damaged answers to the current transfer step
    int silentRepeats_ = 0;  // repeats of the current step for want of an answer
    // Name requests asked twice whose second copy may still come, and the name it holds.
    int nameCopiesDue_ = 0;
    std::string lastName_;
    long waitingSince_ = 0;  // NowMs when the request now waiting went out
    bool fastOn_ = false;
    FastTransferTiming fastTiming_;
    bool fast_ = false;            // the transfer now running goes fast
    int fastMisses_ = 0;           // deadlines missed in this transfer
    long slowestAnswerMs_ = 0;     // of this transfer's steps
    int pacedIntervalMs_ = TransferIntervalMs;
    bool answerScheduled_ = false;  // the next tick comes after the guard gap
    ReadPlan plan_;
    int planPos_ = 0;  // the plan's step now asked
    std::string failure_;
    LinkFailure failureKind_ = LinkFailure::None;
    int failurePage_ = -1;
    bool searchNetwork_ = true;  // the search goes on to the network after the ports
    bool readBackUpload_ = false;  // the upload now running is read back when through
    bool readingBack_ = false;     // the reload now running is that read-back
    bool autoReconnect_ = false;
    bool reconnecting_ = false;
    bool wasOnline_ = false;  // online since the link button was last pressed
    bool reconnectSerial_ = false;  // the session being taken up again ran over a serial port
    ReconnectSchedule reconnect_;
};

}  // namespace kdsp
