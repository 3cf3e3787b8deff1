// Memory, stored modes and answers of the simulated processor. It answers what the
// application expects: an acknowledgement for every write and one frame per read.
#include "simdevice/sim_device.h"

#include <algorithm>

#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

constexpr std::size_t MaxPasswordDigits = 16;

// Dynamic-EQ bands leave the factory as a gentle loudness curve.
struct BandPreset {
    int type, freq, gain, peakQ, shelfQ;
};
constexpr std::array<BandPreset, 3> DynEqFactory = {{
    {0, 37, 138, 0, 0},
    {0, 77, 127, 16, 0},
    {2, 221, 83, 16, 16},
}};

constexpr std::array<const char*, StoredModeCount> FactoryModeNames = {
    "Karaoke", "Pop", "Rock", "Ballad", "Jazz", "Live", "Party", "Speech", "User"};

constexpr int OutputLowPassIndex = 20;
constexpr int LowPassOff = 362;

std::string DecodeName(std::span<const std::uint8_t> bytes) {
    std::string name;
    for (std::size_t i = 0; i < bytes.size() && i < static_cast<std::size_t>(ModeNameMaxLength);
         ++i)
        name.push_back(DecodeNameByte(bytes[i]));
    // The application pads short names with zero bytes, which read back as spaces.
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

}  // namespace

SimDevice::SimDevice() { FactoryReset(); }

DeviceImageRows SimDevice::FactoryMemory() {
    DeviceImageRows m{};
    for (int page = 0; page < 10; ++page) {
        for (int b = 0; b < PageBandCount[page]; ++b) {
            BandPreset band{BandTypePEQ, DefaultBandFreq[page][b], DefaultBandGain, DefaultPeakQ,
                            DefaultShelfQ};
            if (page == PageDynEq) band = DynEqFactory[b];
            const int values[5] = {band.type, band.freq, band.gain, band.peakQ, band.shelfQ};
            for (int k = 0; k < 5; ++k) {
                const int index =
                    page == PageDynEq ? 2 + 12 * b + k : FirstEqIndex[page] + 5 * b + k;
                m[page][index] = values[k];
                // The music page keeps a second copy for the dance mode.
                if (page == PageMusic) m[page][DeviceSlot(page, index, 1)] = values[k];
            }
        }
    }
    m[PageMusic][0] = 1;  // manual mode
    m[PageMusic][1] = 0;  // sing
    m[PageMic][1] = 64;
    for (int page = PageMain; page <= PageRear; ++page) m[page][OutputLowPassIndex] = LowPassOff;
    m[PageSystem][SysIndexCurrentMode] = 0;
    m[PageSystem][SysIndexUserManager] = 0;
    m[PageSystem][SysIndexPanelLock] = 0;
    m[PageSystem][SysIndexRemote] = 0;
    return m;
}

void SimDevice::FactoryReset() {
    memory_ = FactoryMemory();
    for (int i = 0; i < StoredModeCount; ++i) {
        modes_[static_cast<std::size_t>(i)].name = FactoryModeNames[static_cast<std::size_t>(i)];
        modes_[static_cast<std::size_t>(i)].memory = memory_;
    }
    SetSystemPassword("123456");
    SetPanelPassword("1234");
    identity_ = {0x5A, 0x35, 0x20, 0x26};
}

bool SimDevice::SetSystemPassword(const std::string& digits) {
    if (digits.empty() || digits.size() > MaxPasswordDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    systemPassword_.clear();
    for (char c : digits) systemPassword_.push_back(static_cast<std::uint8_t>(c - '0'));
    return true;
}

bool SimDevice::SetPanelPassword(const std::string& digits) {
    if (digits.empty() || digits.size() > MaxPasswordDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    panelPassword_.clear();
    for (char c : digits) panelPassword_.push_back(static_cast<std::uint8_t>(c - '0'));
    return true;
}

void SimDevice::SetModeName(int index, const std::string& name) {
    if (index < 0 || index >= StoredModeCount) return;
    std::string clean;
    for (char c : name) {
        if (clean.size() >= static_cast<std::size_t>(ModeNameMaxLength)) break;
        clean.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    modes_[static_cast<std::size_t>(index)].name = clean;
}

std::string SimDevice::DigitText(const Bytes& digits) {
    std::string text;
    for (auto d : digits) text.push_back(d < 10 ? static_cast<char>('0' + d) : '?');
    return text;
}

Answer SimDevice::Ack() { return {AnswerKind::Ack, Bytes{AckStart, AckOk}}; }

Answer SimDevice::ReplyBytes(ParamId id, std::span<const std::uint8_t> payload) {
    return {AnswerKind::Reply, BuildFrame(CmdWrite, id, payload)};
}

Answer SimDevice::ReplyWords(ParamId id, int page, int firstSlot, int count) {
    Bytes payload;
    for (int s = firstSlot; s < firstSlot + count; ++s) {
        const int v = page >= 0 && page < PageCount && s >= 0 && s < DeviceImageSlots
                          ? memory_[page][s]
                          : 0;
        payload.push_back(static_cast<std::uint8_t>(v & 0xFF));
        payload.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    return ReplyBytes(id, payload);
}

void SimDevice::StoreWord(int page, int index, int value) {
    if (!Stores(page)) return;
    const int slot = DeviceSlot(page, index, OperatingMode());
    if (slot >= 0 && slot < DeviceImageSlots) memory_[page][slot] = value & 0xFFFF;
}

Answer SimDevice::Handle(std::span<const std::uint8_t> frame) {
    if (frame.size() < 7 || frame[0] != FrameStart || frame[1] != FrameKey) return {};
    const std::size_t length = frame[2];
    if (length < 4 || frame.size() != length + 3) return {};
    const std::uint8_t cmd = frame[3];
    const int page = frame[4];
    const int index = frame[5];
    const auto payload = frame.subspan(6, length - 4);
    if (page == PageSystem) return HandleSystem(cmd, index, payload);
    if (page < PageSystem) return HandlePage(cmd, page, index, payload);
    return Ack();  // no such page: taken and forgotten, so the sender is not held up
}

Answer SimDevice::HandlePage(std::uint8_t cmd, int page, int index,
                             std::span<const std::uint8_t> payload) {
    if (payload.empty() || cmd == CmdRead) {
        return ReplyWords(MakeId(page, index), page, DeviceSlot(page, index, OperatingMode()), 1);
    }
    if (page == PageDynEq && payload.size() == 4) {
        // Grouped form: index within the band group, then the group.
        const int group = payload[0];
        StoreWord(page, index + 12 * group, WordAt(payload, 2));
        return Ack();
    }
    if (payload.size() == 12 && MakeId(page, index) == BandFrameIds[static_cast<std::size_t>(page)]) {
        const int band = WordAt(payload, 0);
        // Pages 6..9 also keep the eighth, hidden band group.
        const int bands = PageBandCount[static_cast<std::size_t>(page)] +
                          (page >= PageMain && page <= PageRear ? 1 : 0);
        if (band >= 0 && band < bands) {
            for (int k = 0; k < 5; ++k) {
                const int i = page == PageDynEq ? 2 + 12 * band + k
                                                : FirstEqIndex[static_cast<std::size_t>(page)] +
                                                      5 * band + k;
                StoreWord(page, i, WordAt(payload, 2 + 2 * static_cast<std::size_t>(k)));
            }
        }
        return Ack();
    }
    if (payload.size() == 2) {
        StoreWord(page, index, WordAt(payload, 0));
        return Ack();
    }
    // Any other run of words lands in consecutive slots; the page's end stops it.
    for (std::size_t k = 0; Stores(page) && 2 * k + 1 < payload.size(); ++k) {
        const int slot = index + static_cast<int>(k);
        if (slot >= DeviceImageSlots) break;
        memory_[page][slot] = WordAt(payload, 2 * k);
    }
    return Ack();
}

Answer SimDevice::HandleSystem(std::uint8_t cmd, int index, std::span<const std::uint8_t> payload) {
    auto& sys = memory_[PageSystem];
    switch (index) {
        case IndexOf(IdModeName): {
            if (cmd != CmdRead || payload.empty()) return Ack();
            Bytes name;
            const int mode = payload[0];
            if (mode < StoredModeCount)
                for (char c : modes_[static_cast<std::size_t>(mode)].name)
                    name.push_back(EncodeNameChar(c));
            return ReplyBytes(IdModeName, name);
        }
        case IndexOf(IdSaveMode): {
            if (payload.empty()) return ReplyWords(IdSaveMode, PageSystem, index, 1);
            const int mode = payload[0];
            if (mode < StoredModeCount) {
                auto& stored = modes_[static_cast<std::size_t>(mode)];
                stored.name = payload.size() > 2 ? DecodeName(payload.subspan(2)) : std::string();
                for (int p = 0; p < PageSystem; ++p) stored.memory[p] = memory_[p];
                sys[SysIndexCurrentMode] = mode;
            }
            return Ack();
        }
        case IndexOf(IdRecallMode): {
            if (payload.empty()) return ReplyWords(IdRecallMode, PageSystem, index, 1);
            const int mode = WordAt(payload, 0);
            if (mode < StoredModeCount) {
                const auto& stored = modes_[static_cast<std::size_t>(mode)];
                for (int p = 0; p < PageSystem; ++p) memory_[p] = stored.memory[p];
                sys[SysIndexCurrentMode] = mode;
            }
            return Ack();
        }
        case IndexOf(IdSystemPassword):
        case IndexOf(IdPanelPassword): {
            Bytes& digits = index == IndexOf(IdSystemPassword) ? systemPassword_ : panelPassword_;
            if (payload.empty() || cmd == CmdRead) return ReplyBytes(MakeId(PageSystem, index), digits);
            if (payload.size() <= MaxPasswordDigits) digits.assign(payload.begin(), payload.end());
            return Ack();
        }
        case IndexOf(IdPageBlock): {
            const int page = payload.empty() ? -1 : payload[0];
            if (page >= 0 && page < PageSystem && Stores(page)) {
                for (std::size_t s = 0; 2 * s + 3 < payload.size(); ++s) {
                    if (s >= static_cast<std::size_t>(DeviceImageSlots)) break;
                    memory_[page][s] = WordAt(payload, 2 + 2 * s);
                }
            }
            return Ack();
        }
        case IndexOf(IdPageRead): {
            if (payload.size() < 2) return ReplyWords(IdPageRead, PageSystem, index, 1);
            const int page = WordAt(payload, 0);
            if (page > PageSystem) return Ack();
            return ReplyWords(MakeId(page, 0), page, 0, PageBlockWords(page));
        }
        case IndexOf(IdRemote): {
            // With a value this is the upload's closing word; bare it is a read.
            if (payload.size() < 2) return ReplyWords(IdRemote, PageSystem, index, 1);
            if (Stores(PageSystem)) sys[SysIndexRemote] = WordAt(payload, 0);
            return Ack();
        }
        case IndexOf(IdLinkCommand):
            return Ack();
        case IndexOf(IdDeviceIdentity):
            if (!payload.empty() && cmd == CmdWrite) return Ack();  // read-only
            return ReplyBytes(IdDeviceIdentity, identity_);
        default:
            break;
    }
    if (payload.empty() || cmd == CmdRead) return ReplyWords(MakeId(PageSystem, index), PageSystem, index, 1);
    if (payload.size() >= 2 && index < DeviceImageSlots && Stores(PageSystem)) sys[index] = WordAt(payload, 0);
    return Ack();
}

}  // namespace kdsp
