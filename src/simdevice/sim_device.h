// The simulated processor: its eleven pages of memory, nine stored modes,
// passwords and identity, and the answer it gives to every frame the application sends.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/model/model.h"
#include "core/model/operating_mode.h"
#include "core/protocol/frames.h"

namespace kdsp {

inline constexpr int SysIndexCurrentMode = 2;
inline constexpr int SysIndexUserManager = 12;  // 0 user, 1 manager
inline constexpr int SysIndexPanelLock = 13;    // 0 off, 1 automatic key lock on
inline constexpr int SysIndexRemote = 17;

struct StoredMode {
    std::string name;
    DeviceImageRows memory{};  // pages 0..9 are what a mode keeps
};

// What a frame did to the processor, for logs and tests.
enum class AnswerKind {
    None,       // nothing to answer (a frame the processor does not take)
    Ack,        // FE BB
    Reply,      // one data frame
};

struct Answer {
    AnswerKind kind = AnswerKind::None;
    Bytes bytes;
};

class SimDevice {
public:
    SimDevice();

    // Back to the factory settings: memory, modes, passwords, identity.
    void FactoryReset();

    // Takes one complete, checksum-valid data frame from the application.
    Answer Handle(std::span<const std::uint8_t> frame);

    DeviceImageRows& Memory() { return memory_; }
    const DeviceImageRows& Memory() const { return memory_; }
    // Pages 0..9 of a stored mode; index 0..8.
    StoredMode& Mode(int index) { return modes_.at(static_cast<std::size_t>(index)); }
    const StoredMode& Mode(int index) const { return modes_.at(static_cast<std::size_t>(index)); }

    // Passwords travel as one byte per digit; these take and give digit texts.
    bool SetSystemPassword(const std::string& digits);
    bool SetPanelPassword(const std::string& digits);
    std::string SystemPassword() const { return DigitText(systemPassword_); }
    std::string PanelPassword() const { return DigitText(panelPassword_); }

    void SetIdentity(const std::array<std::uint8_t, 4>& id) { identity_ = id; }
    const std::array<std::uint8_t, 4>& Identity() const { return identity_; }

    void SetPanelLock(bool on) { memory_[PageSystem][SysIndexPanelLock] = on ? 1 : 0; }
    void SetManager(bool on) { memory_[PageSystem][SysIndexUserManager] = on ? 1 : 0; }
    // Names longer than 20 characters are cut; characters outside " ".."~" become "?".
    void SetModeName(int index, const std::string& name);

    // A fault for tests: writes to `page` (0..10) are acknowledged as always, but the
    // page keeps its words.
    void IgnoreWritesTo(int page) {
        if (page >= 0 && page < PageCount) ignoredPages_[static_cast<std::size_t>(page)] = true;
    }

    // The operating-mode copy the processor writes single values into (page 0 index 1).
    int OperatingMode() const { return ModeCopyOf(memory_[PageMusic][1]); }

    static DeviceImageRows FactoryMemory();

private:
    static std::string DigitText(const Bytes& digits);
    Answer Ack();
    Answer ReplyWords(ParamId id, int firstSlotPage, int firstSlot, int count);
    Answer ReplyBytes(ParamId id, std::span<const std::uint8_t> payload);
    void StoreWord(int page, int index, int value);  // through the mode's slot
    Answer HandleSystem(std::uint8_t cmd, int index, std::span<const std::uint8_t> payload);
    Answer HandlePage(std::uint8_t cmd, int page, int index, std::span<const std::uint8_t> payload);

    bool Stores(int page) const { return page >= 0 && page < PageCount && !ignoredPages_[static_cast<std::size_t>(page)]; }

    DeviceImageRows memory_{};
    std::array<bool, PageCount> ignoredPages_{};
    std::array<StoredMode, StoredModeCount> modes_{};
    Bytes systemPassword_;
    Bytes panelPassword_;
    std::array<std::uint8_t, 4> identity_{};
};

// Little-endian word from two payload bytes.
inline int WordAt(std::span<const std::uint8_t> p, std::size_t at) {
    return at + 1 < p.size() ? p[at] + 256 * p[at + 1] : 0;
}

}  // namespace kdsp
