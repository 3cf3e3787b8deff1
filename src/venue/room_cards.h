// `kdspd qr`: a fresh room token for every room, kept in the venue file, and the
// sheet of cards that carries them.
#pragma once

#include <string>

namespace kdsp::venue {

struct RoomCardsRequest {
    std::string venueFile;
    std::string output;   // FILE.pdf, FILE.svg or FILE.png
    std::string baseUrl;  // "http://HOST:PORT" the phones reach; "" for the venue's listen address
};

// Makes the sheet and writes the tokens (replacing the cards' tokens of any sheet
// made before) and then the sheet. Throws std::runtime_error with the reason when
// nothing was changed; returns what to tell the user (warnings included).
std::string MakeRoomCards(const RoomCardsRequest& request);

}  // namespace kdsp::venue
