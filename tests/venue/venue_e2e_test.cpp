// kdspd end to end against simulated processors: every route with every kind of
// token, the frames each write sends, bad input, the events, and restarts.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include "core/model/param_table.h"
#include "core/protocol/frames.h"
#include "venue_rig.h"

namespace kdsp {
namespace {

int IdOf(const char* name) {
    return FindSpec(name)->Id();
}

struct Route {
    QByteArray method;
    QString path;
    QByteArray body;
    bool writes;  // sends to the processor when allowed
};

TEST(VenueE2e, RoleRouteMatrix) {
    VenueRig venue;
    ASSERT_GT(venue.Port(), 0);
    ASSERT_TRUE(venue.WaitOnline(2));
    venue.Sim().TakeWrites();

    // The installer's backup is what the others try to download and upload.
    const HttpReply made = venue.Call("POST", "/api/v1/rooms/room1/backups", venue.Token("installer"));
    ASSERT_EQ(made.status, 201) << made.body.toStdString();
    const QString backup = made.Json()["file"].toString();
    const HttpReply preset = venue.Call("GET", "/api/v1/rooms/room1/backups/" + backup, venue.Token("installer"));
    ASSERT_EQ(preset.status, 200);

    const std::vector<Route> routes = {
        {"GET", "/api/v1/health", {}, false},
        {"GET", "/api/v1/rooms", {}, false},
        {"GET", "/api/v1/rooms/room1", {}, false},
        {"GET", "/api/v1/rooms/room1/params?match=echo.effect.level", {}, false},
        {"PATCH", "/api/v1/rooms/room1/params", "echo", true},  // a guest control; the value per actor
        {"PATCH", "/api/v1/rooms/room1/params", "delay", true}, // not a guest control
        {"POST", "/api/v1/rooms/room1/mode", R"({"recall": 2})", true},
        {"POST", "/api/v1/rooms/room1/mode", R"({"save": 9, "name": "Test"})", true},
        {"POST", "/api/v1/rooms/room1/backups", {}, false},
        {"GET", "/api/v1/rooms/room1/backups", {}, false},
        {"GET", "/api/v1/rooms/room1/backups/" + backup, {}, false},
        {"POST", "/api/v1/rooms/room1/upload", preset.body, true},
        {"GET", "/api/v1/params", {}, false},
        {"GET", "/api/v1/openapi.json", {}, false},
        {"GET", "/metrics", {}, false},
        // Every room at once: both rooms' processors.
        {"PATCH", "/api/v1/rooms/params", "fleet echo", true},
        {"POST", "/api/v1/rooms/mode", R"({"recall": 2})", true},
        {"POST", "/api/v1/rooms/backups", {}, false},
    };
    // Expected status per route, in the order above.
    const std::map<QString, std::vector<int>> expected = {
        {"none", {200, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401}},
        {"wrong", {200, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401, 401}},
        {"installer", {200, 200, 200, 200, 200, 200, 200, 200, 201, 200, 200, 200, 200, 200, 200, 200, 200, 200}},
        {"staff", {200, 200, 200, 200, 200, 403, 200, 403, 403, 200, 200, 403, 200, 200, 200, 200, 200, 403}},
        {"room1", {200, 200, 200, 200, 200, 403, 200, 403, 403, 403, 403, 403, 200, 200, 403, 403, 403, 403}},
        {"room2", {200, 200, 403, 403, 403, 403, 403, 403, 403, 403, 403, 403, 200, 200, 403, 403, 403, 403}},
    };
    int level = 10;
    for (const auto& [who, statuses] : expected) {
        const QString token = who == "none" ? QString() : who == "wrong" ? QString(64, 'f') : venue.Token(who);
        for (std::size_t i = 0; i < routes.size(); ++i) {
            const Route& r = routes[i];
            ++level;
            QByteArray body = r.body;
            if (body == "echo")
                body = QString(R"({"echo.effect.level": %1})").arg(level).toUtf8();
            else if (body == "fleet echo")
                body = QString(R"({"params": {"echo.effect.level": %1}})").arg(level).toUtf8();
            else if (body == "delay")
                body = QString(R"({"main.delay.left": %1})").arg(level).toUtf8();
            const HttpReply reply = venue.Call(r.method, r.path, token, body);
            SCOPED_TRACE(who.toStdString() + " " + r.method.toStdString() + " " + r.path.toStdString() + " " +
                         body.left(40).toStdString() + " -> " + reply.body.left(200).toStdString());
            EXPECT_EQ(reply.status, statuses[i]);
            if (!r.writes)
                continue;
            const auto sent = venue.Sim().TakeWritesByDevice();
            const bool fleet = !r.path.contains("room1");
            if (!fleet) {
                EXPECT_EQ(sent.count(2), 0u);  // never the other room's processor
            }
            if (reply.status >= 400) {
                EXPECT_TRUE(sent.empty());  // a denial sends nothing
            } else if (fleet) {
                const SentFrame frame = r.body == "fleet echo" ? ValueFrame(IdOf("echo.effect.level"), level)
                                                               : ValueFrame(IdRecallMode, 1);
                EXPECT_EQ(sent, (std::map<int, std::vector<SentFrame>>{{1, {frame}}, {2, {frame}}}));
            } else if (r.body == "echo") {
                EXPECT_EQ(sent.at(1), std::vector<SentFrame>{ValueFrame(IdOf("echo.effect.level"), level)});
            } else if (r.body == "delay") {
                EXPECT_EQ(sent.at(1), std::vector<SentFrame>{ValueFrame(IdOf("main.delay.left"), level)});
            } else if (r.path.endsWith("/mode") && r.body.contains("recall")) {
                EXPECT_EQ(sent.at(1), std::vector<SentFrame>{ValueFrame(IdRecallMode, 1)});
            } else {
                EXPECT_FALSE(sent.empty());
            }
        }
    }
    // A room token sees its own room only.
    const QJsonArray rooms = venue.Call("GET", "/api/v1/rooms", venue.Token("room2")).Json()["rooms"].toArray();
    ASSERT_EQ(rooms.size(), 1);
    EXPECT_EQ(rooms[0].toObject()["name"], "room2");
}

// Every path and method the OpenAPI document names is served, and every route
// the service serves is in the document.
TEST(VenueE2e, OpenApiDescribesTheRoutes) {
    VenueRig venue(1);
    ASSERT_TRUE(venue.WaitOnline(1));
    const HttpReply doc = venue.Call("GET", "/api/v1/openapi.json", venue.Token("installer"));
    ASSERT_EQ(doc.status, 200);
    const QJsonObject paths = doc.Json()["paths"].toObject();
    const QStringList served = {"GET /api/v1/health", "GET /api/v1/rooms", "GET /api/v1/rooms/{room}",
                                "GET /api/v1/rooms/{room}/params", "PATCH /api/v1/rooms/{room}/params",
                                "POST /api/v1/rooms/{room}/mode", "GET /api/v1/rooms/{room}/backups",
                                "POST /api/v1/rooms/{room}/backups", "GET /api/v1/rooms/{room}/backups/{file}",
                                "POST /api/v1/rooms/{room}/upload", "PATCH /api/v1/rooms/params",
                                "POST /api/v1/rooms/mode", "POST /api/v1/rooms/backups", "GET /api/v1/params",
                                "GET /api/v1/events", "GET /api/v1/openapi.json", "GET /metrics"};
    QStringList documented;
    for (auto p = paths.begin(); p != paths.end(); ++p)
        for (const QString& method : p.value().toObject().keys())
            if (method != "parameters")
                documented << method.toUpper() + " " + p.key();
    documented.sort();
    QStringList want = served;
    want.sort();
    EXPECT_EQ(documented, want);
    for (const QString& route : served) {
        const QStringList parts = route.split(' ');
        QString path = parts[1];
        path.replace("{room}", "room1").replace("{file}", "none.Nddt");
        const HttpReply r = venue.Call(parts[0].toUtf8(), path, venue.Token("installer"), "{}");
        // Served: anything but "no such path" or "not that method".
        EXPECT_NE(r.status, 405) << route.toStdString();
        if (!route.endsWith("{file}")) {
            EXPECT_NE(r.status, 404) << route.toStdString();
        }
    }
}

TEST(VenueE2e, BadInputIsRefusedAndSendsNothing) {
    VenueRig venue(1, {"limits.timeout = 1000", "limits.rate = 40", "limits.websockets = 2"});
    ASSERT_TRUE(venue.WaitOnline(1));
    venue.Sim().TakeWrites();
    const QString installer = venue.Token("installer");
    const auto patch = [&](const QByteArray& body, const QString& query = {}) {
        return venue.Call("PATCH", "/api/v1/rooms/room1/params" + query, installer, body);
    };
    EXPECT_EQ(patch("{\"echo.effect.level\": ").Json()["error"], "bad_json");
    EXPECT_EQ(patch("[1, 2]").Json()["error"], "bad_json");
    EXPECT_EQ(patch(R"({"echo.nonsense": 3})").Json()["error"], "unknown_param");
    EXPECT_EQ(patch(R"({"echo.effect.level": true})").Json()["error"], "bad_value");
    EXPECT_EQ(patch(R"({"echo.effect.level": 1.5})").Json()["error"], "bad_value");
    EXPECT_EQ(patch(R"({"echo.effect.level": "loud"})").Json()["error"], "bad_value");
    EXPECT_EQ(patch(R"({"system.stored_mode": 3})").Json()["error"], "not_writable");
    EXPECT_EQ(patch(R"({"echo.effect.level": 5, "echo.effect.level.x": 1})").status, 400);  // all or nothing
    EXPECT_EQ(patch(R"({"echo.effect.level": 99999})", "?strict=1").Json()["error"], "out_of_range");
    EXPECT_EQ(venue.Call("POST", "/api/v1/rooms/room1/mode", installer, R"({"recall": 10})").status, 400);
    EXPECT_EQ(venue.Call("POST", "/api/v1/rooms/room1/upload", installer, "not a preset").Json()["error"], "bad_preset");
    EXPECT_EQ(venue.Call("GET", "/api/v1/rooms/room1/backups/..%2Fvenue.conf", installer).status, 404);
    EXPECT_EQ(venue.Call("GET", "/api/v1/rooms/nowhere", installer).status, 404);
    EXPECT_TRUE(venue.Sim().TakeWrites().empty());

    // Out of range without strict: brought to the maximum, and that is sent.
    const HttpReply clamped = patch(R"({"echo.effect.level": 99999})");
    ASSERT_EQ(clamped.status, 200) << clamped.body.toStdString();
    const int max = FindSpec("echo.effect.level")->Max();
    EXPECT_EQ(clamped.Json()["changed"].toArray()[0].toObject()["newStored"].toInt(), max);
    EXPECT_EQ(venue.Sim().TakeWrites(), std::vector<SentFrame>{ValueFrame(IdOf("echo.effect.level"), max)});

    // A body past 64 KiB is refused without reading it all.
    QTcpSocket big;
    big.connectToHost("127.0.0.1", static_cast<quint16>(venue.Port()));
    ASSERT_TRUE(big.waitForConnected(3000));
    const QByteArray body(100 * 1024, 'x');
    big.write("PATCH /api/v1/rooms/room1/params HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + installer.toUtf8() +
              "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray answer;
    Until([&] {
        answer += big.readAll();
        return answer.contains("\r\n\r\n") || big.state() == QAbstractSocket::UnconnectedState;
    });
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 413")) << answer.left(100).toStdString();

    // A client sending a byte a second is dropped before its request is whole.
    QTcpSocket slow;
    slow.connectToHost("127.0.0.1", static_cast<quint16>(venue.Port()));
    ASSERT_TRUE(slow.waitForConnected(3000));
    const QByteArray request = "GET /api/v1/health HTTP/1.1\r\nHost: x\r\n\r\n";
    int sent = 0;
    QElapsedTimer clock;
    clock.start();
    Until([&] {
        if (slow.state() != QAbstractSocket::ConnectedState) return true;
        if (clock.elapsed() >= 1000LL * sent && sent < request.size()) slow.write(request.mid(sent++, 1));
        return false;
    }, 8000);
    EXPECT_NE(slow.state(), QAbstractSocket::ConnectedState);
    EXPECT_LT(sent, request.size());
    EXPECT_FALSE(slow.readAll().contains("200"));

    // Beyond the rate per token: 429, and other tokens go on.
    const auto replies = venue.Calls(200, "GET", "/api/v1/rooms", installer);
    EXPECT_TRUE(std::any_of(replies.begin(), replies.end(), [](const HttpReply& r) { return r.status == 429; }));
    EXPECT_EQ(venue.Call("GET", "/api/v1/rooms", venue.Token("staff")).status, 200);

    // At most two WebSocket clients per token.
    EventClient a(venue.Port(), venue.Token("staff")), b(venue.Port(), venue.Token("staff"));
    ASSERT_TRUE(a.WaitFor([](const QJsonObject& m) { return m["type"] == "room"; }));
    ASSERT_TRUE(b.WaitFor([](const QJsonObject& m) { return m["type"] == "room"; }));
    EventClient c(venue.Port(), venue.Token("staff"));
    EXPECT_TRUE(c.Closed());
    EXPECT_TRUE(c.Messages().empty());
}

TEST(VenueE2e, EventsSayWhoChangedWhatToWhom) {
    VenueRig venue(2);
    ASSERT_TRUE(venue.WaitOnline(2));
    EventClient staff(venue.Port(), venue.Token("staff"));
    EventClient guest(venue.Port(), venue.Token("room1"), {}, true);  // the token as a message
    EventClient other(venue.Port(), venue.Token("room2"));
    EventClient wrongRoom(venue.Port(), venue.Token("room2"), "room1");
    EXPECT_TRUE(wrongRoom.Closed());
    ASSERT_TRUE(guest.WaitFor([](const QJsonObject& m) { return m["type"] == "room"; }));
    ASSERT_TRUE(staff.WaitFor([](const QJsonObject& m) { return m["room"].toObject()["name"] == "room2"; }));

    ASSERT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("room1"),
                         R"({"echo.effect.level": "25"})").status, 200);
    ASSERT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("installer"),
                         R"({"main.delay.left": 7})").status, 200);
    const auto param = staff.WaitFor([](const QJsonObject& m) { return m["name"] == "echo.effect.level"; });
    ASSERT_TRUE(param);
    EXPECT_EQ((*param)["room"], "room1");
    EXPECT_EQ((*param)["shown"], "25");
    EXPECT_EQ((*param)["origin"], "http");
    EXPECT_EQ((*param)["by"], "room1");
    // The log says so too.
    const QString log = venue.Errors();
    EXPECT_TRUE(log.contains(QRegularExpression("room1: value echo\\.effect\\.level \\d+ 25 http\n"))) << log.toStdString();
    EXPECT_FALSE(log.contains("front_end")) << log.toStdString();
    EXPECT_TRUE(staff.WaitFor([](const QJsonObject& m) { return m["type"] == "ack" && m["room"] == "room1"; }));
    EXPECT_TRUE(staff.WaitFor([](const QJsonObject& m) { return m["name"] == "main.delay.left"; }));
    EXPECT_TRUE(guest.WaitFor([](const QJsonObject& m) { return m["name"] == "echo.effect.level"; }));
    // A room's guests hear nothing of other rooms, nor of controls that are not theirs.
    EXPECT_FALSE(guest.WaitFor([](const QJsonObject& m) { return m["name"] == "main.delay.left"; }, 300));
    for (const QJsonObject& m : other.Messages())
        EXPECT_NE(m["room"].toString(), "room1");
    EXPECT_EQ(other.Messages().size(), 1u);  // its own room, once

    // Sing/dance: the room says the new mode by the time the write is acknowledged.
    guest.Forget();
    ASSERT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("room1"),
                         R"({"music.mode": "dance"})").status, 200);
    EXPECT_EQ(venue.Call("GET", "/api/v1/rooms/room1", venue.Token("room1")).Json()["singDance"], "dance");
    ASSERT_TRUE(guest.WaitFor([](const QJsonObject& m) { return m["type"] == "ack"; }));
    const auto& heard = guest.Messages();
    const auto ack = std::find_if(heard.begin(), heard.end(), [](const QJsonObject& m) { return m["type"] == "ack"; });
    EXPECT_TRUE(std::any_of(heard.begin(), ack, [](const QJsonObject& m) {
        return m["type"] == "room" && m["room"].toObject()["singDance"] == "dance";
    }));
    EXPECT_FALSE(std::any_of(heard.begin(), ack, [](const QJsonObject& m) {
        return m["type"] == "room" && m["room"].toObject()["singDance"] == "sing";
    }));

    // The metrics count the three writes, each acknowledged.
    const QByteArray metrics = venue.Call("GET", "/metrics", venue.Token("staff")).body;
    for (const char* line : {"kdsp_rooms_online 2\n", "kdsp_writes_total{result=\"ok\"} 3\n",
                             "kdsp_writes_total{result=\"failed\"} 0\n", "kdsp_write_ack_seconds_count 3\n",
                             "kdsp_write_ack_seconds_bucket{le=\"+Inf\"} 3\n"})
        EXPECT_TRUE(metrics.contains(line)) << line << metrics.toStdString();
}

TEST(VenueE2e, ProcessorLostAndBack) {
    VenueRig venue(1);
    ASSERT_TRUE(venue.WaitOnline(1));
    EventClient events(venue.Port(), venue.Token("staff"));
    ASSERT_TRUE(events.WaitFor([](const QJsonObject& m) { return m["type"] == "room"; }));
    venue.StopSim();
    const auto state = [](const char* s) {
        return [s](const QJsonObject& m) { return m["type"] == "room" && m["room"].toObject()["state"] == s; };
    };
    ASSERT_TRUE(events.WaitFor([](const QJsonObject& m) {
        const QString s = m["room"].toObject()["state"].toString();
        return m["type"] == "room" && (s == "lost" || s == "reconnecting");
    }, 20000));
    // Meanwhile a write is refused at once, and not kept for later.
    const HttpReply refused = venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("staff"),
                                         R"({"echo.effect.level": 33})");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(refused.Json()["error"], "room_offline");
    events.Forget();
    venue.StartSim();
    ASSERT_TRUE(events.WaitFor(state("online"), 40000));
    const auto sent = venue.Sim().TakeWrites();
    EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [](const SentFrame& f) { return f.id == IdOf("echo.effect.level"); }));
    EXPECT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("staff"), R"({"echo.effect.level": 34})").status, 200);
    EXPECT_EQ(venue.Sim().TakeWrites(), std::vector<SentFrame>{ValueFrame(IdOf("echo.effect.level"), 34)});
}

// A throw-away self-signed certificate for 127.0.0.1 and its key: NAME.crt, NAME.key in `dir`.
bool MakeCertificate(const QTemporaryDir& dir, const QString& name) {
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                              "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                              "-keyout", dir.filePath(name + ".key"), "-out", dir.filePath(name + ".crt")});
    if (!openssl.waitForFinished(15000)) {
        openssl.kill();
        openssl.waitForFinished(3000);
        return false;
    }
    return openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

// Over TLS the API and the events work as over plain HTTP, and plain HTTP to that port
// gets no answer. Certificate and key files that cannot serve stop `kdspd check` and the
// start alike with one line, never leaving a service without TLS or one whose every
// handshake fails.
TEST(VenueE2e, TlsServesAndRefusesFilesThatCannot) {
    QTemporaryDir dir;
    ASSERT_TRUE(MakeCertificate(dir, "venue") && MakeCertificate(dir, "other"));
    const QString cert = dir.filePath("venue.crt"), key = dir.filePath("venue.key");
    {
        // The clients trust this certificate only, and check it names 127.0.0.1.
        VenueRig venue(1, {"tls.cert = " + cert, "tls.key = " + key});
        ASSERT_GT(venue.Port(), 0) << venue.Errors().toStdString();
        ASSERT_TRUE(venue.WaitOnline(1)) << venue.Errors().toStdString();  // /api/v1/health
        venue.Sim().TakeWrites();
        EXPECT_EQ(venue.Call("GET", "/api/v1/rooms").status, 401);
        const HttpReply rooms = venue.Call("GET", "/api/v1/rooms", venue.Token("staff"));
        ASSERT_EQ(rooms.status, 200) << rooms.body.toStdString();
        EXPECT_EQ(rooms.Json()["rooms"].toArray()[0].toObject()["name"], "room1");

        EventClient events(venue.Port(), venue.Token("staff"), "room1", false, venue.Tls());
        ASSERT_TRUE(events.WaitFor([](const QJsonObject& m) { return m["type"] == "room"; }));
        EXPECT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("staff"),
                             R"({"echo.effect.level": 21})").status, 200);
        EXPECT_EQ(venue.Sim().TakeWrites(), std::vector<SentFrame>{ValueFrame(IdOf("echo.effect.level"), 21)});
        EXPECT_TRUE(events.WaitFor([](const QJsonObject& m) { return m["name"] == "echo.effect.level" && m["shown"] == "21"; }));

        QTcpSocket plain;
        plain.connectToHost("127.0.0.1", static_cast<quint16>(venue.Port()));
        ASSERT_TRUE(plain.waitForConnected(3000));
        plain.write("GET /api/v1/health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        EXPECT_TRUE(Until([&] {
            answer += plain.readAll();
            return plain.state() == QAbstractSocket::UnconnectedState;
        }));
        answer += plain.readAll();
        EXPECT_FALSE(answer.contains("HTTP/")) << answer.left(100).toStdString();
    }

    const QString folder = dir.filePath("folder.key");  // cannot be read as a file, even by root
    ASSERT_TRUE(QDir().mkpath(folder));
    struct Fault {
        QString cert, key;
        QByteArray says;
    };
    const std::vector<Fault> faults = {
        {dir.filePath("missing.crt"), key, "tls.cert: cannot read " + dir.filePath("missing.crt").toUtf8()},
        {cert, folder, "tls.key: cannot read " + folder.toUtf8()},
        {cert, cert, "tls.key: " + cert.toUtf8() + " holds no unencrypted PEM RSA or EC private key"},
        {cert, dir.filePath("other.key"), "is not the private key of tls.cert"},
    };
    const QString file = dir.filePath("bad.conf");
    for (const Fault& f : faults) {
        QFile venueFile(file);
        ASSERT_TRUE(venueFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        venueFile.write(QString("room1 tcp:127.0.0.1:9\ntls.cert = %1\ntls.key = %2\n").arg(f.cert, f.key).toUtf8());
        venueFile.close();
        for (const QStringList& args : {QStringList{"check", file}, QStringList{file, "--listen", "127.0.0.1:0"}}) {
            const KdspdRun run = RunKdspd(args);
            SCOPED_TRACE(args.join(' ').toStdString() + " -> " + run.out.toStdString() + run.err.toStdString());
            EXPECT_EQ(run.exit, 1);
            EXPECT_TRUE(run.err.startsWith("kdspd: ") && run.err.contains(f.says));
            EXPECT_EQ(run.err.count('\n'), 1);
            EXPECT_TRUE(run.out.isEmpty());
        }
    }
}

// One request for every room: each room checks it before any is written to, then gets
// its own writes; a room whose processor is off answers for itself.
TEST(VenueE2e, FleetWritesReachEveryRoomOnline) {
    QTcpServer nobody;  // a port nothing listens on once it is closed: room3's processor is off
    ASSERT_TRUE(nobody.listen(QHostAddress::LocalHost));
    const QString off = QString("room3 tcp:127.0.0.1:%1").arg(nobody.serverPort());
    nobody.close();
    VenueRig venue(2, {off});
    ASSERT_TRUE(venue.WaitOnline(2));
    venue.Sim().TakeWrites();
    const QString staff = venue.Token("staff"), installer = venue.Token("installer");
    const auto outcomes = [](const HttpReply& r) {
        std::map<QString, QJsonObject> by;
        for (const QJsonValue& v : r.Json()["rooms"].toArray()) by[v["room"].toString()] = v.toObject();
        return by;
    };

    const HttpReply set = venue.Call("PATCH", "/api/v1/rooms/params", staff,
                                     R"({"params": {"echo.effect.level": 31, "reverb.effect.level": "17"}})");
    ASSERT_EQ(set.status, 200) << set.body.toStdString();
    auto by = outcomes(set);
    ASSERT_EQ(by.size(), 3u);
    for (const char* room : {"room1", "room2"}) {
        EXPECT_EQ(by[room]["status"], 200) << room;
        EXPECT_EQ(by[room]["changed"].toArray().size(), 2) << room;
    }
    EXPECT_EQ(by["room3"]["status"], 503);
    EXPECT_EQ(by["room3"]["error"], "room_offline");
    // As to one room: the link sends the last of several edits once more.
    const std::vector<SentFrame> both = {ValueFrame(IdOf("echo.effect.level"), 31),
                                         ValueFrame(IdOf("reverb.effect.level"), 17),
                                         ValueFrame(IdOf("reverb.effect.level"), 17)};
    EXPECT_EQ(venue.Sim().TakeWritesByDevice(), (std::map<int, std::vector<SentFrame>>{{1, both}, {2, both}}));

    // The rooms named, each once: room2's music may go less high than room1's.
    const auto maximum = [](int value) { return ValueFrame(IdOf("system.volume.music.max"), value); };
    ASSERT_EQ(venue.Call("PATCH", "/api/v1/rooms/params", installer,
                         R"({"rooms": ["room1"], "params": {"system.volume.music.max": 60}})").status, 200);
    const HttpReply one = venue.Call("PATCH", "/api/v1/rooms/params", installer,
                                     R"({"rooms": ["room2", "room2"], "params": {"system.volume.music.max": 40}})");
    ASSERT_EQ(one.status, 200) << one.body.toStdString();
    EXPECT_EQ(one.Json()["rooms"].toArray().size(), 1);
    EXPECT_EQ(venue.Sim().TakeWritesByDevice(),
              (std::map<int, std::vector<SentFrame>>{{1, {maximum(60)}}, {2, {maximum(40)}}}));

    // What one room would refuse is refused everywhere, with nothing sent.
    const auto fleet = [&](const QByteArray& method, const QString& what, const QByteArray& body) {
        return venue.Call(method, "/api/v1/rooms/" + what, staff, body);
    };
    EXPECT_EQ(fleet("PATCH", "params", R"({"params": {"main.delay.left": 3}})").status, 403);
    EXPECT_EQ(fleet("PATCH", "params", R"({"params": {"echo.effect.level": 5, "echo.nonsense": 1}})").Json()["error"],
              "unknown_param");
    const HttpReply tooLoud = fleet("PATCH", "params?strict=1", R"({"params": {"system.volume.music": 50}})");
    EXPECT_EQ(tooLoud.Json()["error"], "out_of_range");
    EXPECT_EQ(tooLoud.Json()["room"], "room2");
    EXPECT_EQ(fleet("PATCH", "params", R"({"echo.effect.level": 5})").status, 400);  // not under "params"
    EXPECT_EQ(fleet("PATCH", "params", R"({"rooms": ["room1", "nowhere"], "params": {"echo.effect.level": 5}})").status,
              404);
    EXPECT_EQ(fleet("POST", "mode", R"({"save": 4, "name": "Quiet"})").status, 403);
    EXPECT_EQ(fleet("POST", "backups", {}).status, 403);
    EXPECT_TRUE(venue.Sim().TakeWrites().empty());

    const HttpReply recall = fleet("POST", "mode", R"({"recall": 3})");
    ASSERT_EQ(recall.status, 200) << recall.body.toStdString();
    by = outcomes(recall);
    EXPECT_EQ(by["room1"]["status"], 200);
    EXPECT_EQ(by["room2"]["mode"], 3);
    EXPECT_EQ(by["room3"]["error"], "room_offline");
    EXPECT_EQ(venue.Sim().TakeWritesByDevice(), (std::map<int, std::vector<SentFrame>>{
                                                    {1, {ValueFrame(IdRecallMode, 2)}}, {2, {ValueFrame(IdRecallMode, 2)}}}));

    const HttpReply backups = venue.Call("POST", "/api/v1/rooms/backups", installer);
    ASSERT_EQ(backups.status, 200) << backups.body.toStdString();
    by = outcomes(backups);
    EXPECT_EQ(by["room1"]["status"], 201);
    EXPECT_EQ(venue.Call("GET", "/api/v1/rooms/room2/backups", installer).Json()["backups"].toArray().size(), 1);
    EXPECT_EQ(by["room3"]["status"], 503);

    // The journal: one line per room and parameter written, and the offline room's refusal.
    QFile audit(venue.Audit());
    ASSERT_TRUE(audit.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QByteArray& line : audit.readAll().trimmed().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        lines << QStringList{o["token"].toString(), o["room"].toString(), o["what"].toString(), o["new"].toString(),
                             o["result"].toString()}.join(' ');
    }
    const QStringList firstSet = lines.mid(0, 5);
    EXPECT_EQ(QSet<QString>(firstSet.begin(), firstSet.end()),
              (QSet<QString>{"staff room1 echo.effect.level 31 ok", "staff room1 reverb.effect.level 17 ok",
                             "staff room2 echo.effect.level 31 ok", "staff room2 reverb.effect.level 17 ok",
                             "staff room3 echo.effect.level reverb.effect.level  room_offline"}));
}

// SIGHUP: a room taken out goes, one put back comes, and a room whose entry did not
// change keeps its connection (it is not read again).
TEST(VenueE2e, ReloadKeepsUnchangedRooms) {
    VenueRig venue(2);
    ASSERT_TRUE(venue.WaitOnline(2));
    EventClient events(venue.Port(), venue.Token("installer"));
    ASSERT_TRUE(events.WaitFor([](const QJsonObject& m) { return m["room"].toObject()["name"] == "room2"; }));
    QFile file(venue.File());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    QByteArray without;  // room2 and its token gone
    for (const QByteArray& line : whole.split('\n'))
        if (!line.contains("room2")) without += line + "\n";
    const auto rewrite = [&](const QByteArray& text) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        venue.Signal(SIGHUP);
    };
    events.Forget();
    rewrite(without);
    ASSERT_TRUE(Until([&] { return venue.Call("GET", "/api/v1/health").Json()["rooms"].toInt() == 1; }));
    EXPECT_EQ(venue.Call("GET", "/api/v1/rooms/room2", venue.Token("installer")).status, 404);
    rewrite(whole);
    ASSERT_TRUE(venue.WaitOnline(2));
    for (const QJsonObject& m : events.Messages())
        EXPECT_NE(m["room"].toObject()["name"], "room1") << "room1 was disturbed";
}

TEST(VenueE2e, AuditJournalSurvivesAKilledService) {
    VenueRig venue(1);
    ASSERT_TRUE(venue.WaitOnline(1));
    ASSERT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("staff"), R"({"echo.effect.level": 21})").status, 200);
    venue.Stop(true);  // SIGKILL: nothing is written on the way out
    venue.Start();
    ASSERT_TRUE(venue.WaitOnline(1));
    ASSERT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("room1"), R"({"echo.effect.level": 22})").status, 200);
    EXPECT_EQ(venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("room1"), R"({"main.delay.left": 3})").status, 403);
    // SIGTERM with a write on its way to a processor that has not answered yet: the
    // write is answered and journaled before the service goes.
    EventClient events(venue.Port(), venue.Token("staff"));
    ASSERT_TRUE(events.WaitFor([](const QJsonObject& m) { return m["type"] == "room"; }));
    venue.Sim().TakeWrites();
    venue.Sim().Signal(SIGSTOP);
    QNetworkReply* inFlight = venue.Send("PATCH", "/api/v1/rooms/room1/params", venue.Token("staff"),
                                         R"({"echo.effect.level": 23})");
    const bool sent = events.WaitFor([](const QJsonObject& m) { return m["name"] == "echo.effect.level"; }).has_value();
    venue.Signal(SIGTERM);
    // Meanwhile new writes are refused: the service finishes, it does not take more on.
    ASSERT_TRUE(Until([&] { return venue.Errors().contains("kdspd: stopping"); }));
    const HttpReply late = venue.Call("PATCH", "/api/v1/rooms/room1/params", venue.Token("staff"),
                                      R"({"echo.effect.level": 24})");
    EXPECT_EQ(late.status, 503);
    EXPECT_EQ(late.Json()["error"], "stopping");
    venue.Sim().Signal(SIGCONT);
    ASSERT_TRUE(sent);
    ASSERT_TRUE(Until([&] { return inFlight->isFinished(); }));
    EXPECT_EQ(inFlight->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    delete inFlight;
    // The write in flight reached the processor (again, if the link repeated it to the
    // silent processor), the refused one never did.
    const auto reached = venue.Sim().TakeWrites();
    EXPECT_FALSE(reached.empty());
    for (const SentFrame& f : reached)
        EXPECT_EQ(f, ValueFrame(IdOf("echo.effect.level"), 23));
    venue.Stop();
    QFile audit(venue.Audit());
    ASSERT_TRUE(audit.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = audit.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object(), second = QJsonDocument::fromJson(lines[1]).object(),
                      third = QJsonDocument::fromJson(lines[2]).object();
    EXPECT_EQ(first["token"], "staff");
    EXPECT_EQ(first["what"], "echo.effect.level");
    EXPECT_EQ(first["new"], "21");
    EXPECT_EQ(first["result"], "ok");
    EXPECT_EQ(second["token"], "room1");
    EXPECT_EQ(second["old"], "21");
    EXPECT_EQ(second["new"], "22");
    EXPECT_EQ(third["result"], "forbidden");
    EXPECT_EQ(QJsonDocument::fromJson(lines[3]).object()["result"], "ok");
}

}  // namespace
}  // namespace kdsp
