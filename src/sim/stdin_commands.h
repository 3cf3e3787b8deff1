// Commands a test types to the simulator on its standard input (--stdin-commands),
// one a line. "send HEX..." writes those bytes to the connected clients as they
// stand, so a test can make the processor say what no request brings out of it: a
// frame cut off halfway, data nobody asked for.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <string>

#include "core/protocol/frames.h"

namespace kdsp {

class StdinCommands : public QObject {
    Q_OBJECT
public:
    // `send` writes the bytes and says to how many clients.
    explicit StdinCommands(std::function<int(const Bytes&)> send);

private:
    void OnReadable();
    void Run(const std::string& line);

    std::function<int(const Bytes&)> send_;
    QSocketNotifier notifier_;
    std::string pending_;  // a line not yet ended
};

}  // namespace kdsp
