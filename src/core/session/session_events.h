// What a device session reports: its state, the progress of a transfer, values that
// changed, writes the processor has confirmed and failures, all typed. A front end
// puts them in its own words; the words here are stable identifiers for logs and
// machine-readable output, not captions.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "core/link/link.h"

namespace kdsp {

class ParamSpec;

enum class SessionState {
    Offline,       // not connected, and not trying to
    Searching,     // looking for the processor on serial ports
    Connecting,    // connecting to the TCP end point
    Reading,       // reading the processor's memory (a first read, a reload, a recall)
    Uploading,     // sending a whole memory image
    Verifying,     // reading an upload back to compare it
    Online,        // connected and read: values can be set
    Lost,          // the processor stopped answering or hung up
    Reconnecting,  // lost, and looking for it again by itself
};

// Who asked for a value to change.
enum class ChangeOrigin {
    FrontEnd,       // the front end that drives the session
    Undo,           // the front end's undo
    Preset,         // a preset file being uploaded
    ProcessorRead,  // the processor holds something else than the image did
};

enum class FailureCode {
    NoAnswer,           // the search had no answer (port: the places tried)
    CannotConnect,      // the socket never came up (port: HOST:PORT; reason: the system's)
    ConnectionClosed,   // the processor closed the connection (page: the step's, if any)
    TransferFailed,     // a step of a transfer went unanswered (page)
    DamagedAnswers,     // a step's answers kept failing their checksum (page)
    LinkLost,           // online, the processor stopped answering
    Unconfirmed,        // a recall or save was never confirmed
    WritesLost,         // the link went away before every write was confirmed
    SaveDropped,        // a save waiting behind edits was dropped by a transfer
    NotOnline,          // the operation needs the processor online
    NotWritable,        // the parameter has no known use or no id to write it by
    NoSuchMode,         // a stored mode outside 1..9 (mode: the one asked for, from 0)
    UploadDiffers,      // read back, the processor does not hold the upload (page: the first)
    UploadInterrupted,  // the upload or its read-back ended before the end
    BadPreset,          // the preset file cannot be uploaded (reason)
    BackupFailed,       // the backup could not be written (reason)
};

struct StateChanged {
    SessionState from;
    SessionState to;
};

struct ProgressReport {
    int step = 0;  // of the transfer, 0..of
    int of = 0;
    LinkWait waitingFor;
    int percent = 0;    // of the transfer (of a partial read: of its steps), 0..100
    std::string place;  // the serial port or HOST:PORT the link tries or works on
};

struct ValueChanged {
    const ParamSpec* param;
    int oldValue;
    int newValue;
    ChangeOrigin origin;
};

// Every write made so far has been acknowledged by the processor.
struct WritesAcknowledged {};

struct ModeSaved {
    int mode;  // 0..8
    std::string name;
};

struct IdentityRead {
    std::string identity;  // eight hex digits
};

// An upload ended well: read back and equal (verified), or not read back.
struct UploadFinished {
    bool verified;
};

enum class TransferKind {
    FirstRead,  // a new link (also a reconnect) reads the processor's memory
    ReadAgain,  // an online processor is read again: asked for, after a recall, an upload read back
    Upload,     // the image goes into the processor
};

// A transfer begins that replaces the image (or the processor's memory with it):
// nothing edited before it can be undone against what comes.
struct TransferBegan {
    TransferKind kind;
};

// A transfer went through and the session is online. After an Upload (one not read
// back) the image is what was sent; after the others it is what the processor holds.
struct TransferDone {
    TransferKind kind;
};

struct Failure {
    FailureCode code;
    int page = -1;
    int mode = -1;
    std::string port;    // a serial port, the ports tried, or HOST:PORT
    std::string reason;  // English detail for logs (the system's words, a file's fault)
};

using SessionEvent = std::variant<StateChanged, ProgressReport, ValueChanged, WritesAcknowledged,
                                  ModeSaved, IdentityRead, UploadFinished, TransferBegan,
                                  TransferDone, Failure>;

// The connection, or the attempt to make one, ended in this failure: the session is
// offline, lost or reconnecting after it. (A failed attempt while it reconnects
// changes no state: this failure is all that says so.)
bool EndsConnection(FailureCode code);

std::string_view ToString(SessionState state);
std::string_view ToString(ChangeOrigin origin);
std::string_view ToString(FailureCode code);
std::string_view ToString(TransferKind kind);
std::string_view ToString(LinkWait::Item item);

// One line per event in the identifiers above: "state reading", "progress 3/29 page 3",
// "value echo.effect.level 30 40 front_end", "failure no_answer port=127.0.0.1:9".
std::string EventLine(const SessionEvent& event);

}  // namespace kdsp
