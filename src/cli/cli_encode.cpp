// kdsp subcommands: encode (the frames the application sends, as hex) and
// decode (hex captures cut into frames the way the receiver cuts them).
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_number.h"
#include "core/model/eq_layout.h"
#include "core/protocol/frame_text.h"
#include "core/protocol/frames.h"
#include "core/protocol/receiver.h"

namespace kdsp::cli {

namespace {

constexpr int StoredModes = 9;
constexpr std::size_t SystemPasswordDigits = 6;
constexpr std::size_t PanelPasswordDigits = 4;
constexpr int LastDynEqIndex = 36;

void Print(const Bytes& frame) { std::cout << HexBytes(frame) << "\n"; }

ParamId ParseParamId(const std::string& text) {
    const auto id = static_cast<ParamId>(ParseNumber(text, 0xFFFF, "id"));
    const int page = PageOf(id);
    const int index = IndexOf(id);
    if (page >= PageCount) throw Refused("id " + text + ": there is no page " + std::to_string(page), 2);
    if (page == PageDynEq && index > LastDynEqIndex)
        throw Refused("id " + text + ": the dynamic-EQ page has no index above 36");
    if (index >= ParamImageSlots)
        throw Refused("id " + text + ": index above " + std::to_string(ParamImageSlots - 1));
    return id;
}

// The items the read transfer asks for one at a time.
bool IsReadableItem(ParamId id) {
    return (id >= 0x0A01 && id <= 0x0A0E) || id == IdRemote || (id >= 0x0A20 && id <= 0x0A22) ||
           id == IdDeviceIdentity;
}

std::string CheckDigits(const std::string& digits, std::size_t count, const char* what) {
    if (digits.size() != count)
        throw Refused(std::string(what) + " must have " + std::to_string(count) + " digits");
    for (char c : digits)
        if (c < '0' || c > '9') throw Refused(std::string(what) + " must be digits only: " + digits);
    return digits;
}

std::string CheckModeName(const std::string& name) {
    if (name.size() > static_cast<std::size_t>(ModeNameMaxLength))
        throw Refused("mode name longer than 20 characters");
    for (char c : name)
        if (c < ' ' || c > '~') throw Refused("mode name may hold only the characters space to ~");
    return name;
}

int ParseMode(const std::string& text) {
    return static_cast<int>(ParseNumber(text, StoredModes - 1, "mode number"));
}

// Subcommand with no arguments that prints one fixed frame.
void AddFixed(CLI::App& encode, const char* name, const char* help, Bytes (*build)()) {
    encode.add_subcommand(name, help)->callback([build] { Print(build()); });
}

void RegisterEncode(CLI::App& app) {
    CLI::App* encode = app.add_subcommand("encode", "Print a frame the application sends, as hex");
    encode->require_subcommand(1);

    {
        auto id = std::make_shared<std::string>();
        auto value = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("param", "Parameter write (grouped form on page 2)");
        c->add_option("ID", *id, "Parameter id, 0x0103 or 259")->required();
        c->add_option("VALUE", *value, "Value 0..65535")->required();
        c->callback([id, value] {
            const ParamId pid = ParseParamId(*id);
            Print(BuildValueFrame(CmdWrite, pid,
                                  static_cast<std::uint16_t>(ParseNumber(*value, 0xFFFF, "value"))));
        });
    }
    AddFixed(*encode, "connect", "Link command: connect", [] { return BuildLinkCommand(LinkConnect); });
    AddFixed(*encode, "keepalive", "Link command: keep-alive",
             [] { return BuildLinkCommand(LinkKeepAlive); });
    AddFixed(*encode, "disconnect", "Link command: disconnect",
             [] { return BuildLinkCommand(LinkDisconnect); });
    {
        auto page = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("read-page", "Read request for page 0..9");
        c->add_option("N", *page, "Page 0..9")->required();
        c->callback([page] {
            Print(BuildPageReadRequest(static_cast<int>(ParseNumber(*page, 9, "page"))));
        });
    }
    {
        auto id = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("read-item", "Read request for one system item");
        c->add_option("ID", *id, "0x0A01..0x0A0E, 0x0A11, 0x0A20..0x0A22 or 0x0A40")->required();
        c->callback([id] {
            const auto pid = static_cast<ParamId>(ParseNumber(*id, 0xFFFF, "id"));
            if (!IsReadableItem(pid))
                throw Refused("id " + *id + " is not an item the processor reads out");
            Print(BuildItemReadRequest(pid));
        });
    }
    {
        auto mode = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("mode-name", "Request the name of stored mode 0..8");
        c->add_option("N", *mode, "Mode 0..8")->required();
        c->callback([mode] { Print(BuildModeNameRequest(ParseMode(*mode))); });
    }
    {
        auto mode = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("recall", "Recall stored mode 0..8");
        c->add_option("N", *mode, "Mode 0..8")->required();
        c->callback([mode] {
            Print(BuildValueFrame(CmdWrite, IdRecallMode, static_cast<std::uint16_t>(ParseMode(*mode))));
        });
    }
    {
        auto args = std::make_shared<std::vector<std::string>>();
        CLI::App* c = encode->add_subcommand("band", "EQ band write: PAGE BAND V0 V1 V2 V3 V4");
        c->add_option("ARGS", *args, "Page 0..9, band, then type, frequency, gain, peak Q, shelf Q")
            ->required()
            ->expected(7);
        c->callback([args] {
            const auto& a = *args;
            const int page = static_cast<int>(ParseNumber(a[0], 9, "page"));
            const int bands = PageBandCount[static_cast<std::size_t>(page)];
            const int band = static_cast<int>(ParseNumber(a[1], 255, "band"));
            if (band >= bands)
                throw Refused("page " + a[0] + " has bands 0.." + std::to_string(bands - 1));
            Model model;
            const ParamId frameId = BandFrameId(page);
            const int first = page == PageDynEq ? 2 + 12 * band : FirstEqIndex[static_cast<std::size_t>(page)] + 5 * band;
            for (int k = 0; k < 5; ++k)
                model.ParamImage[static_cast<std::size_t>(page)][static_cast<std::size_t>(first + k)] =
                    static_cast<std::int32_t>(ParseNumber(a[static_cast<std::size_t>(2 + k)], 0xFFFF, "value"));
            Print(BuildBandFrame(model, frameId, band));
        });
    }
    {
        auto mode = std::make_shared<std::string>();
        auto name = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("save-mode", "Save the processor's memory as mode N");
        c->add_option("N", *mode, "Mode 0..8")->required();
        c->add_option("NAME", *name, "Up to 20 characters, space to ~")->required();
        c->callback([mode, name] { Print(BuildSaveMode(ParseMode(*mode), CheckModeName(*name))); });
    }
    {
        auto digits = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("system-password", "Set the system password");
        c->add_option("DIGITS", *digits, "Six digits")->required();
        c->callback([digits] {
            Print(BuildPasswordFrame(IdSystemPassword,
                                     CheckDigits(*digits, SystemPasswordDigits, "system password")));
        });
    }
    {
        auto digits = std::make_shared<std::string>();
        CLI::App* c = encode->add_subcommand("panel-password", "Set the panel password");
        c->add_option("DIGITS", *digits, "Four digits")->required();
        c->callback([digits] {
            Print(BuildPasswordFrame(IdPanelPassword,
                                     CheckDigits(*digits, PanelPasswordDigits, "panel password")));
        });
    }
}

void RegisterDecode(CLI::App& app) {
    auto hex = std::make_shared<std::vector<std::string>>();
    CLI::App* c = app.add_subcommand(
        "decode", "Cut hex bytes into frames as the receiver does; one line per frame");
    c->add_option("HEX", *hex, "Hex bytes (\"FC BA 06 ...\", \"FCBA06\"); - reads standard input")
        ->required();
    c->callback([hex] {
        std::string text;
        for (const std::string& h : *hex) {
            if (h == "-")
                text.append(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
            else
                text += h;
            text += ' ';
        }
        const auto bytes = ParseHexBytes(text);
        if (!bytes) throw Refused("not hex byte pairs");
        bool allGood = true;
        for (const FramePiece& piece : SplitFrames(*bytes)) {
            std::cout << DescribePiece(piece) << "\n";
            allGood = allGood && PieceIsGood(piece);
        }
        std::cout.flush();
        if (!allGood) throw Refused("the bytes hold bad frames");
    });
}

}  // namespace

void RegisterEncodeCommands(CLI::App& app) {
    RegisterEncode(app);
    RegisterDecode(app);
}

}  // namespace kdsp::cli
