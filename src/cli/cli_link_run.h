// One device session of the command line, on an event loop that someone else runs:
// connect where told and nowhere else, hand over each time the processor is online,
// say goodbye, all bounded in time; every failure ends as one line saying what
// failed. `kdsp read/upload/get/set` run one on its own loop, `kdsp fleet` many on one.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qtlink/qt_session.h"

namespace kdsp::cli {

struct Endpoint {
    std::string serial;
    std::string host;
    int port = 0;  // 0: not given
    double timeout = 180;
    bool fast = false;  // fast transfers
};

// What a run shows of its session, in the command line's words: "Reading", the
// place, the percent and what it has waited for more than a second.
struct RunStatus {
    std::string status;  // "Reading", "Online"...; "" before the first
    std::string place;   // a serial port or HOST:PORT
    int percent = 0;
    std::string waiting;
    // "Reading [127.0.0.1:8889] 21%, waiting for page 6".
    std::string Line() const;
};

class LinkRun {
  public:
    explicit LinkRun(const Endpoint& e);
    virtual ~LinkRun() = default;
    LinkRun(const LinkRun&) = delete;
    LinkRun& operator=(const LinkRun&) = delete;

    DeviceSession& session() { return qt_.session(); }
    const Model& model() { return session().Image(); }

    // Connects on the event loop's next turn and calls `online` each time the session
    // is online (another time follows an upload or a recall's reload), on the loop's
    // turn after it; `online` returns true when the work is done (the run then says
    // goodbye). `finished` is called once, from the event loop, when the run has ended
    // and what it sent last has left (a second at most).
    void Start(std::function<bool(int onlineCount)> online, std::function<void()> finished);

    // Tells the processor goodbye and ends the run with `code`.
    void Disconnect(int code);
    // Ends the run as failed: nothing further goes out; the frame already on its way
    // is let finish, so the processor never gets half a frame.
    void Fail(const std::string& why, int code = 1);

    bool Done() const { return done_; }
    int Code() const { return code_; }
    const std::string& Failure() const { return failure_; }

    // Calls `then` on the loop's next turn once every write has been acknowledged.
    void WhenWritesDone(std::function<void()> then);

    // What the session waits for: "page 6", "an answer from 127.0.0.1:8889"...
    std::string WaitingFor();
    RunStatus Status();

    // Puts a lost link (the link's reason: "lost the processor during the upload at
    // page 3") in the words of the command, which knows what it leaves behind.
    std::function<std::string(const std::string& reason)> LostText;
    // Told of every event of the session, before the run acts on it.
    std::function<void(const SessionEvent&)> OnEvent;
    // Told when the status may have changed (a new state, a step), and on the run's
    // watch several times a second, so a display can follow; `settled`: online or
    // offline, where a display ends its line.
    std::function<void(bool settled)> OnShow;
    // A line of diagnosis (-v only); without it, stderr.
    std::function<void(const std::string&)> OnNote;
    void Note(const std::string& line);

  protected:
    // The run has its result: what it shows of the goodbye is noise.
    virtual void Finishing() {}

  private:
    void Finish(int code);
    void Watch();  // the serial port's fate and the display, several times a second
    void Seen(const SessionEvent& event);
    void Trace(bool sent, std::span<const std::uint8_t> bytes);
    std::string WaitingNote();  // WaitingFor() once it has lasted a second

    std::string waitKey_;  // the request waited for at the last look, and since when
    std::chrono::steady_clock::time_point waitSince_;

    Endpoint endpoint_;
    std::string tcpText_;     // HOST:PORT
    std::string firstPlace_;  // where the run starts, shown until the session says
    int code_ = 1;
    bool done_ = false;
    bool connecting_ = false;  // the session has been told to connect
    bool wasOnline_ = false;   // a read after this is a reload
    int onlineCount_ = 0;
    std::string failure_;
    std::vector<std::uint8_t> received_;  // bytes of a frame not yet complete, for -v
    std::function<bool(int)> online_;
    std::function<void()> finished_;
    std::vector<std::function<void()>> writesDone_;
    QtSession qt_;
    QObject owner_;  // parent of the run's timers, so none outlives it
    QTimer* limit_;
    QTimer* watch_;
    QElapsedTimer goodbyeClock_;
};

// The application object a command's event loop needs, or none when one exists already
// (the tests run commands inside their own).
std::unique_ptr<QCoreApplication> CommandApplication();

}  // namespace kdsp::cli
