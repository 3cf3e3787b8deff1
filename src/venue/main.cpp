// kdspd: the venue service. Keeps every room's processor connected and serves the
// venue over HTTP and WebSocket; also adds tokens to a venue file and checks one.
// Exit statuses as kdsp's: 0 success, 1 refused or failed, 2 a malformed command line.
#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <fstream>
#include <iostream>
#include <sstream>

#include "core/preset/atomic_file.h"
#include "qtlink/signal_watch.h"
#include "venue/access.h"
#include "venue/http_api.h"
#include "venue/room_cards.h"
#include "venue/server_tls.h"
#include "venue/mqtt_bridge.h"
#include "venue/venue.h"
#include "venue/venue_file.h"
#include "venue/web_pages.h"

namespace {

using namespace kdsp::venue;

struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

VenueConfig Read(const std::string& file) {
    VenueFileResult r = ReadVenueFile(file);
    if (r.error)
        throw Refused(file + ": " + r.error->Text());
    return std::move(*r.config);
}

int Check(const std::string& file, int argc, char** argv) {
    const VenueConfig c = Read(file);
    // The certificate and key as the service would load them: a check that passes
    // while the start would fail is worse than none.
    if (!c.tlsCert.empty()) {
        QCoreApplication app(argc, argv);
        std::string why;
        if (!ServerTls(c, &why))
            throw Refused(file + ": " + why);
    }
    std::cout << file << ": " << c.rooms.size() << " rooms, " << c.tokens.size() << " tokens, listen "
              << c.listenHost << ":" << c.listenPort << (c.tlsCert.empty() ? "" : " (TLS)") << "\n";
    return 0;
}

bool NameTaken(const VenueConfig& c, const std::string& name) {
    for (const TokenEntry& t : c.tokens)
        if (t.name == name)
            return true;
    return false;
}

int AddToken(const std::string& file, const std::string& roleText, const std::string& room, std::string name) {
    const VenueConfig c = Read(file);
    const auto role = ParseRole(roleText);
    if (!role)
        throw Refused("unknown role '" + roleText + "' (installer, staff or room)");
    if (*role == Role::Room && !c.FindRoom(room))
        throw Refused(room.empty() ? "a room token needs --room NAME" : "no room named '" + room + "' in " + file);
    if (*role != Role::Room && !room.empty())
        throw Refused("only a room token takes --room");
    if (name.empty()) {
        const std::string base = *role == Role::Room ? room : roleText;
        name = base;
        for (int n = 2; NameTaken(c, name); ++n)
            name = base + "-" + std::to_string(n);
    } else if (NameTaken(c, name)) {
        throw Refused("the token name '" + name + "' is taken");
    } else if (name.find_first_of(" \t#") != std::string::npos) {
        throw Refused("a token name has no spaces and no '#'");
    }
    const std::string token = NewToken();
    TokenEntry entry{*role, name, HashToken(token), *role == Role::Room ? room : std::string(), 0};
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string bytes = text.str();
    if (!bytes.empty() && bytes.back() != '\n')
        bytes += '\n';
    bytes += TokenLine(entry) + "\n";
    kdsp::WriteFileAtomically(kdsp::WriteTarget(file), bytes);
    // The only time the token is seen: the file keeps its hash.
    std::cout << token << "\n";
    return 0;
}

int Serve(const std::string& file, const std::string& listen, const std::string& mqtt, const std::string& mqttPrefix,
          int argc, char** argv) {
    VenueConfig config = Read(file);
    if (!listen.empty()) {
        std::string host;
        int port = 0;
        if (!ParseListen(listen, host, port))
            throw Refused("--listen: expected HOST:PORT, not '" + listen + "'");
        // Another address than loopback only where the venue file opens one itself.
        if (!IsLoopback(host) && !(config.listenSet && !IsLoopback(config.listenHost)))
            throw Refused("--listen " + listen + ": only a loopback address unless the venue file's listen names another");
        config.listenHost = host;
        config.listenPort = port;
    }
    if (!mqtt.empty())
        config.mqtt = mqtt;
    QCoreApplication app(argc, argv);
    Venue venue(std::move(config));
    HttpApi api(venue);
    api.SetPages(WebPage);
    std::string why;
    if (!api.Start(venue.Config().listenHost, venue.Config().listenPort, &why))
        throw Refused(why);
    // Scripts and tests started on port 0 learn the port here.
    std::cout << "listen " << venue.Config().listenHost << " " << api.Port() << std::endl;
    std::cerr << "kdspd: serving " << venue.RoomNames().size() << " rooms on " << venue.Config().listenHost
              << ":" << api.Port() << "\n";
    // Where a person starts: the staff page asks for a staff token, or takes it after "#token=".
    const std::string& host = venue.Config().listenHost;
    std::cerr << "kdspd: staff page " << (venue.Config().tlsCert.empty() ? "http://" : "https://")
              << (host.find(':') != std::string::npos ? "[" + host + "]" : host) << ":" << api.Port()
              << "/staff\n";
    venue.Start();
    QString mqttError;
    const auto bridge = MqttBridge::Start(venue, QString::fromStdString(mqttPrefix), &mqttError);
    if (!mqttError.isEmpty())
        throw Refused(mqttError.toStdString());

    bool stopping = false;
    kdsp::SignalWatch signals(
        [&](int signo) {
            if (signo == SIGHUP) {
                VenueFileResult r = ReadVenueFile(file);
                if (r.error) {
                    std::cerr << "kdspd: " << file << ": " << r.error->Text() << "; keeping the venue as it was\n";
                    return;
                }
                if (!listen.empty()) {
                    r.config->listenHost = venue.Config().listenHost;
                    r.config->listenPort = venue.Config().listenPort;
                }
                std::cerr << "kdspd: " << file << " read again\n";
                venue.Reload(std::move(*r.config));
                return;
            }
            if (stopping)
                return;
            stopping = true;
            std::cerr << "kdspd: stopping\n";
            // Writes in flight are answered first, for a few seconds at most; new ones
            // are refused meanwhile, or the wait could last as long as they kept coming.
            venue.BeginStopping();
            // The last answers are only written into their sockets when their writes
            // are confirmed: the loop goes round once more with nothing waiting before
            // it ends, so they leave before the sockets close.
            auto* wait = new QTimer(&app);
            auto deadline = std::make_shared<int>(100);
            auto quietChecks = std::make_shared<int>(0);
            QObject::connect(wait, &QTimer::timeout, &app, [&venue, deadline, quietChecks] {
                *quietChecks = venue.Busy() ? 0 : *quietChecks + 1;
                if (*quietChecks >= 2 || --*deadline <= 0)
                    QCoreApplication::quit();
            });
            wait->start(50);
        },
        true);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kdspd: the venue service. Keeps every room's processor connected and serves the venue "
                 "over HTTP and WebSocket.",
                 "kdspd"};
    app.set_version_flag("--version", "kdspd " KDSP_VERSION, "Print the version and exit");
    std::string venueFile, listen, mqtt, mqttPrefix;
    app.add_option("VENUE", venueFile, "the venue file: inventory lines NAME ADDRESS and settings KEY = VALUE");
    app.add_option("--listen", listen, "HOST:PORT to serve on (default the venue file's, else 127.0.0.1:8890)");
    app.add_option("--mqtt", mqtt, "mqtt://HOST:PORT or mqtts://HOST:PORT of a broker to bridge to");
    app.add_option("--mqtt-prefix", mqttPrefix, "the venue's topic prefix on the broker (default kdsp/VENUE)");

    auto* check = app.add_subcommand("check", "Check a venue file and exit");
    std::string checkFile;
    check->add_option("VENUE", checkFile, "the venue file")->required();

    auto* token = app.add_subcommand("token", "Manage the venue's bearer tokens");
    token->require_subcommand(1);
    auto* add = token->add_subcommand("add", "Print a new token once and keep only its hash in the venue file");
    std::string addFile, role, room, name;
    add->add_option("VENUE", addFile, "the venue file")->required();
    add->add_option("ROLE", role, "installer, staff or room")->required();
    add->add_option("--room", room, "the room of a room token");
    add->add_option("--name", name, "who holds the token (default the role or the room)");

    auto* qr = app.add_subcommand("qr", "Print a sheet of room cards: each room's name, a QR code of its page with "
                                        "a fresh room token, and the address in text");
    RoomCardsRequest cards;
    qr->add_option("VENUE", cards.venueFile, "the venue file (the cards' tokens are added to it)")->required();
    qr->add_option("-o,--output", cards.output, "the sheet: FILE.pdf (A4 pages), FILE.svg or FILE.png")->required();
    qr->add_option("--url", cards.baseUrl,
                   "http(s)://HOST:PORT the phones reach the service at (default the venue file's listen address)");

    try {
        app.parse(argc, argv);
        if (*qr) {
            // Fonts and pictures need a GUI application, which needs no display here.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            QGuiApplication gui(argc, argv);
            std::cerr << MakeRoomCards(cards);
            return 0;
        }
        if (*check)
            return Check(checkFile, argc, argv);
        if (*add)
            return AddToken(addFile, role, room, name);
        if (venueFile.empty())
            throw CLI::RequiredError("VENUE");
        return Serve(venueFile, listen, mqtt, mqttPrefix, argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "kdspd: " << e.what() << " (see kdspd --help)\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kdspd: " << e.what() << "\n";
        return 1;
    }
}
