// Sets one parameter of a processor by name: set_by_name HOST PORT NAME VALUE.
// Connects over TCP, reads, sets, waits for the processor's acknowledgement and
// prints every event of the session on its own line. All a front end needs is the
// device session and the parameter table.
#include <QCoreApplication>
#include <QTimer>

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>

#include "core/model/param_table.h"
#include "qtlink/qt_session.h"

using namespace kdsp;

namespace {

int Fail(const std::string& line) {
    std::cerr << "set_by_name: " << line << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt's own socket warnings would break the one-line failure.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return Fail("usage: set_by_name HOST PORT NAME VALUE");
    const std::string_view portText = argv[2];
    int port = 0;
    const auto [end, ec] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535)
        return Fail("not a port: " + std::string(portText));
    const ParamSpec* param = FindSpec(argv[3]);
    if (!param)
        return Fail("no parameter named " + std::string(argv[3]));
    const ParsedValue value = param->Parse(argv[4]);
    if (!value.ok)
        return Fail(std::string(param->Name()) + ": " + value.error);

    QtSession qt;
    DeviceSession& session = qt.session();
    session.SetFastTransfers(true);  // the read takes a second instead of ten
    bool asked = false;
    // Ends on the next turn of the event loop, never from inside the session's call.
    auto finish = [&](int code, const std::string& line) {
        if (!line.empty())
            std::cerr << "set_by_name: " << line << "\n";
        QTimer::singleShot(0, &app, [&, code] {
            session.Disconnect();
            qt.transport().FlushWrites(1000);
            app.exit(code);
        });
    };
    session.OnEvent = [&](const SessionEvent& event) {
        std::cout << EventLine(event) << std::endl;
        if (const auto* failure = std::get_if<Failure>(&event)) {
            finish(1, EventLine(*failure));
        } else if (std::holds_alternative<WritesAcknowledged>(event)) {
            finish(0, "");
        } else if (session.State() == SessionState::Online && !asked) {
            asked = true;
            QTimer::singleShot(0, &app, [&] {
                if (const auto failure = session.Set(*param, value.value))
                    finish(1, EventLine(*failure));
            });
        }
    };
    QTimer::singleShot(60000, &app, [&] { finish(1, "no acknowledgement within 60 s"); });
    QTimer::singleShot(0, &app, [&] { session.ConnectTcp(argv[1], port); });
    return app.exec();
}
