// The sheet is made in memory first; the venue file is rewritten whole, then the sheet
// written, so a failure leaves the venue's codes as they were or the sheet to remake.

#include "venue/room_cards.h"

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "core/preset/atomic_file.h"
#include "venue/access.h"
#include "venue/qr_sheet.h"
#include "venue/venue_file.h"

namespace kdsp::venue {
namespace {

// The name of the token on a room's card: a sheet printed again replaces it.
std::string CardTokenName(const std::string& room) {
    return "qr-" + room;
}

std::string ListenUrl(const VenueConfig& c, std::string& warning) {
    if (c.listenHost == "0.0.0.0" || c.listenHost == "::")
        throw std::runtime_error("the service listens on every address (" + c.listenHost +
                                 "): give the one the phones reach with --url http://ADDRESS:" +
                                 std::to_string(c.listenPort));
    if (IsLoopback(c.listenHost))
        warning = "kdspd: warning: the cards point to " + c.listenHost +
                  ", which only this computer reaches: phones need the venue file's listen set to the "
                  "venue network's address, or --url\n";
    const std::string host = c.listenHost.find(':') != std::string::npos ? "[" + c.listenHost + "]" : c.listenHost;
    return (c.tlsCert.empty() ? "http://" : "https://") + host + ":" + std::to_string(c.listenPort);
}

}  // namespace

std::string MakeRoomCards(const RoomCardsRequest& request) {
    VenueFileResult read = ReadVenueFile(request.venueFile);
    if (read.error) throw std::runtime_error(request.venueFile + ": " + read.error->Text());
    const VenueConfig& config = *read.config;
    SheetFormat format{};
    if (!SheetFormatOf(QString::fromStdString(request.output), format))
        throw std::runtime_error("-o wants a file ending in .pdf, .svg or .png, not '" + request.output + "'");
    if (const auto why = WriteProblem(request.output))
        throw std::runtime_error("cannot write " + request.output + ": " + *why);
    std::string warning;
    const std::string base = request.baseUrl.empty() ? ListenUrl(config, warning) : request.baseUrl;
    if (base.rfind("http://", 0) != 0 && base.rfind("https://", 0) != 0)
        throw std::runtime_error("--url wants http://HOST:PORT or https://HOST:PORT, not '" + base + "'");

    std::vector<RoomCard> cards;
    std::vector<TokenEntry> tokens;
    std::set<std::string> names;
    for (const InventoryEntry& room : config.rooms) {
        const std::string token = NewToken();
        cards.push_back({QString::fromStdString(room.name),
                         RoomUrl(QString::fromStdString(base), QString::fromStdString(room.name),
                                 QString::fromStdString(token))});
        tokens.push_back({Role::Room, CardTokenName(room.name), HashToken(token), room.name, 0});
        names.insert(tokens.back().name);
    }
    QString why;
    const QByteArray sheet = RenderSheet(cards, format, why);
    if (sheet.isEmpty()) throw std::runtime_error(why.toStdString());

    // The venue file as it stands, less the card tokens it had, plus the new ones.
    std::set<int> dropped;
    for (const TokenEntry& t : config.tokens) {
        if (!names.count(t.name)) continue;
        if (t.role != Role::Room)
            throw std::runtime_error("line " + std::to_string(t.line) + ": the token name '" + t.name +
                                     "' belongs to a card's room token and is taken by a " +
                                     std::string(ToString(t.role)) + " token");
        dropped.insert(t.line);
    }
    std::ifstream in(request.venueFile, std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string old = whole.str();
    std::string text;
    int lineNo = 0;
    for (std::size_t at = 0; at < old.size();) {
        std::size_t end = old.find('\n', at);
        end = end == std::string::npos ? old.size() : end + 1;
        if (!dropped.count(++lineNo)) text.append(old, at, end - at);
        at = end;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    for (const TokenEntry& t : tokens) text += TokenLine(t) + "\n";
    const auto write = [](const std::string& path, std::string_view bytes) {
        try {
            WriteFileAtomically(WriteTarget(path), bytes);
        } catch (const FileWriteError& e) {
            throw std::runtime_error("cannot write " + path + ": " + e.what());
        }
    };
    write(request.venueFile, text);
    write(request.output, std::string_view(sheet.constData(), static_cast<std::size_t>(sheet.size())));

    std::ostringstream out;
    out << warning << request.output << ": " << cards.size() << " room cards; their tokens are in "
        << request.venueFile;
    if (!dropped.empty()) out << " (the " << dropped.size() << " cards printed before no longer open their rooms)";
    out << "\n";
    return out.str();
}

}  // namespace kdsp::venue
