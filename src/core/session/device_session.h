// One processor as every front end drives it: the link with its memory image,
// identity, stored-mode names and state, typed operations, and typed events. The
// session owns no transport or timer: the front end hands it both and calls
// OnTick() and the On...Bytes() functions from its event loop.
#pragma once

#include <array>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/link/link.h"
#include "core/link/verified_upload.h"
#include "core/model/model.h"
#include "core/model/param_table.h"
#include "core/preset/image_compare.h"
#include "core/preset/preset_file.h"
#include "core/session/session_events.h"

namespace kdsp {

// The frame an edit a front end has stored in its own image goes out in: the word
// alone, or the frame of its EQ band, built from the image.
enum class AsStored { Word, BandFrame };

// An edit a front end with its own image has already stored there by its own rules:
// the table's row of the copy it stored, what that row held before and holds now,
// how it goes out, and who asked (the front end, or its undo).
struct ImageEdit {
    const ParamSpec* param = nullptr;
    int before = 0;
    int stored = 0;
    AsStored how = AsStored::Word;
    ChangeOrigin origin = ChangeOrigin::FrontEnd;
};

class DeviceSession : private LinkDisplay {
  public:
    DeviceSession(Transport& transport, LinkTimers& timers);
    // A front end that keeps its own image and shows the link's work as it happens
    // (the window: its controls show the image through view selectors, its status
    // dialog and link buttons follow every tick) hands both in. The session reads
    // into and sends from that one image, leaves its view to the front end (told by
    // ImageLoaded), and passes every report of the link on to `display`; the
    // TCP end point of each connect is the one the display gives then.
    DeviceSession(Transport& transport, LinkTimers& timers, Model& image, LinkDisplay& display);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
    ~DeviceSession() override;

    // Every event, in the order things happen. It is called from inside the session
    // (a tick, a byte, an operation): a handler that starts an operation in answer
    // does so on the next turn of its event loop.
    std::function<void(const SessionEvent&)> OnEvent;

    // --- connecting (each ignored while a connection is up or being made) --------
    // This serial port only: no answer on it fails, the network is not tried.
    void ConnectSerial(const std::string& port);
    // This TCP end point only.
    void ConnectTcp(const std::string& host, int port);
    // The serial ports the transport lists, then the TCP end point.
    void Search(const std::string& host, int port);
    // Says goodbye to the processor when online and stops every retry.
    void Disconnect();

    void SetFastTransfers(bool on);
    void SetAutoReconnect(bool on);
    // Later reads ask only the plan's steps (an empty plan: the whole memory), for a
    // front end that shows or writes a few parameters. Uploads are never shortened.
    void SetReadPlan(ReadPlan plan);

    // A line of the link's own diagnosis (its memo lines, a message it would show),
    // for a log or -v; never needed to follow the session.
    std::function<void(const std::string&)> OnDiagnostic;

    // --- operations on an online processor (nothing returned: it has begun) -------
    // Reads every page again.
    std::optional<Failure> Read();
    // A stored value for one copy of a parameter, brought into its range. A copy of
    // the operating mode not in use is written by switching the processor to that
    // mode for the write and back after it, as a person would in the window.
    std::optional<Failure> Set(const ParamSpec& param, int stored,
                               ChangeOrigin origin = ChangeOrigin::FrontEnd);
    // The window's form: an edit stored in the copy of the operating mode the image is
    // in. It is written as it stands, in the frame `edit.how` names, and handed to the
    // link at once: no range applied (the front end's controls keep theirs), no mode
    // switched (the front end switches sing/dance itself, by this same call on
    // music.mode). Once handed on it raises ValueChanged (edit.before to edit.stored,
    // edit.origin), as every other write does. Dropped, as the
    // window's edits always were, while not online (NotOnline; also while a recall or
    // save waits for its confirmation, whose read brings the processor's values) and
    // while the display says HoldsEdits. A row no write reaches, or a copy of the
    // mode the image is not in, is NotWritable and stores nothing.
    std::optional<Failure> Set(const ImageEdit& edit);
    // The same for a word given by its write address and stored value: written as
    // given in a frame of its own (an EQ band's word too), also to a slot with no
    // known use; the front end has checked what it can.
    std::optional<Failure> SetWord(const ParamSpec& param, int stored,
                                   ChangeOrigin origin = ChangeOrigin::FrontEnd);
    // The words of one EQ band (type, frequency, gain, Qs) in one band frame, as an
    // imported filter list sends a band, rather than a frame for each word.
    struct BandValue {
        const ParamSpec* param;
        int stored;
    };
    std::optional<Failure> SetBand(std::span<const BandValue> words,
                                   ChangeOrigin origin = ChangeOrigin::FrontEnd);
    // Stored modes 0..8 (the processor's 1..9).
    std::optional<Failure> Recall(int mode);
    std::optional<Failure> Save(int mode, std::string_view name);
    // The preset's words into the processor; with readBack it is read again and
    // compared before the session is online (UploadFinished, or UploadDiffers).
    std::optional<Failure> Upload(const PresetReadResult& preset, bool readBack = true);
    // The image as read, as a preset file named by identity and time in `folder`.
    std::optional<Failure> Backup(const std::filesystem::path& folder,
                                  std::filesystem::path* written = nullptr);

    // --- a front end with its own link window ------------------------------------------
    // The serial ports the transport lists; the search tries them in this order, then
    // the TCP end point. PreferPort moves a port to the head of the list.
    void ListPorts();
    void PreferPort(const std::string& name);
    const std::vector<std::string>& Ports() const { return link_.Ports(); }
    int SelectedPort() const { return link_.SelectedPort(); }  // -1: none
    std::string ConnectedPort() const { return link_.ConnectedPort(); }  // online over serial
    // The link button: searches the listed ports, then the TCP end point. Unlike
    // Search() it starts afresh while a search runs and connects at once while a lost
    // link waits to be reconnected; online it disconnects, as the button always has.
    void PressConnect();
    // Online now; false while a recall or save waits for its confirmation (State()
    // says Online then, since the session is not away).
    bool OnlineNow() const { return link_.LinkState == LinkOnline; }
    bool Transferring() const { return link_.Transferring(); }
    bool Reconnecting() const { return link_.Reconnecting(); }
    // Online with every write sent and confirmed, nothing waiting.
    bool Idle() const { return LinkIdle(); }
    // The last transfer was an upload (an online after it read nothing new).
    bool Uploaded() const { return link_.UploadFlag == 1; }
    // The first page refresh after a new link is the one that checks the panel lock:
    // FreshLink() until TakeFreshLink(); FreshLinkTaken() from then on.
    bool FreshLink() const { return link_.FreshLink == 1; }
    void TakeFreshLink() { link_.FreshLink = 2; }
    bool FreshLinkTaken() const { return link_.FreshLink == 2; }
    void SendLinkCommand(std::uint16_t code) { link_.SendLinkCommand(code); }
    // The system (IdSystemPassword) or panel (IdPanelPassword) password command.
    void SendPassword(ParamId id, std::string_view digits);
    // What the status label shows now.
    LinkStatus Status() const { return link_.Status(); }

    // --- what the session knows ------------------------------------------------------
    SessionState State() const { return state_; }
    const Model& Image() const { return model_; }
    int Stored(const ParamSpec& param) const;
    const std::string& Identity() const { return model_.DeviceIdentity; }
    // The operating mode the processor is in: 0 sing, 1 dance. (On a front end's
    // image: as last read or written through the session; the front end's own
    // switches are in the image's ModeFlag.)
    int OperatingMode() const { return homeMode_; }
    // Writes not yet confirmed by the processor (or not yet sent).
    bool WritesPending() const { return writesPending_; }
    // The names of the stored modes 0..8, as read.
    const std::array<std::string, ModeNameCount>& ModeNames() const { return model_.ModeNames; }
    // Where the session is now, for a display that looks several times a second:
    // ProgressReport events come only when the step or what it waits for changes.
    ProgressReport Progress() const;
    // The pages the processor did not store, after an upload found UploadDiffers.
    const ImageDifference& UploadDifferences() const { return uploadDifferences_; }

    // Tests on fakes with no processor behind them put the link in a state by hand.
    friend Link& LinkOf(DeviceSession& session) { return session.link_; }

    // --- driven by the front end's event loop ------------------------------------------
    void OnTick(LinkTimer timer);
    void OnSerialBytes(std::span<const std::uint8_t> bytes);
    void OnTcpBytes(std::span<const std::uint8_t> bytes);
    void OnTcpClosed(bool wasConnected, const std::string& reason);

  private:
    struct Write {
        const ParamSpec* param;
        int value;
        bool storedOnly = false;  // a band word the band's last word carries
        bool plain = false;       // a frame of its own, never a band frame
    };

    void Connect();
    std::optional<Failure> Queue(const Write& write, ChangeOrigin origin);
    void Emit(const SessionEvent& event);
    // After everything the link did: a new state, progress, the next writes.
    void Pump();
    SessionState DeriveState() const;
    void EmitState();
    void DriveWrites();
    void TakeLinkEvent(int event);
    void ReportFailure();
    void ReportReadChanges();
    bool LinkIdle() const;  // online, every write sent and confirmed
    void SendNow(const Write& write);
    void SwitchMode(int mode);
    void DropWrites();

    // LinkDisplay: the link's reports, passed on to the display a front end handed
    // in (if any) and turned into state and events.
    void StatusChanged(LinkStatus status) override;
    void WorkStatus(LinkStatus status) override;
    void WorkPlace(const std::optional<std::string>& serialPort) override;
    void WorkProgress(int percent) override;
    void WorkGoesOn() override;
    void WorkEnded() override;
    void Notify(LinkNotice notice) override;
    void ImageLoaded() override;
    void LinkActive(bool linkActive) override;
    void ModeNamesChanged(const std::vector<std::string>& items) override;
    void IdentityChanged(const std::string& text) override;
    void Diagnostic(const std::string& line) override;
    void CameOnline() override;
    std::optional<TcpEndpoint> CurrentTcpEndpoint() const override;
    bool HoldsEdits() const override;
    void SetHoldsEdits(bool on) override;

    Transport& transport_;
    LinkTimers& timers_;
    Model ownImage_;  // the image, unless the front end hands in its own
    Model& model_;
    LinkDisplay noDisplay_;  // shows nothing: a front end without a display of its own
    LinkDisplay* display_ = &noDisplay_;
    Link link_;
    SessionState state_ = SessionState::Offline;
    ProgressReport progress_;
    bool lost_ = false;          // the link was lost and nobody has connected or left since
    bool haveImage_ = false;     // a read has completed: later reads report what changed
    DeviceImageRows before_{};   // the image when the running read began
    int homeMode_ = 0;           // the operating mode the processor is left in
    // The session switched the processor to the other mode for a write: it switches
    // back once the writes are through. (A front end with its own image switches the
    // mode itself; the session never undoes that.)
    bool awayFromHome_ = false;
    std::deque<Write> waiting_;  // writes behind a mode switch
    bool writesPending_ = false;
    bool readWanted_ = false;  // Read() waits for the writes before it
    bool reading_ = false;     // a read or reload is running
    std::string place_;        // where the session connects: a port, HOST:PORT, or both
    std::optional<std::pair<int, std::string>> saving_;
    std::optional<VerifiedUpload> upload_;
    TransferKind transfer_ = TransferKind::FirstRead;  // the last one begun
    ImageDifference uploadDifferences_;
};

}  // namespace kdsp
