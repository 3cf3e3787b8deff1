// The processor's memory as the application mirrors it: the device image, the
// view the controls see, the variant selectors and the texts read from the device.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kdsp {

using ParamId = std::uint16_t;

enum Page : int {
    PageMusic = 0,
    PageMic = 1,
    PageDynEq = 2,
    PageMic9 = 3,
    PageEcho = 4,
    PageReverb = 5,
    PageMain = 6,
    PageAux1 = 7,
    PageAux2 = 8,
    PageRear = 9,
    PageSystem = 10,
};

inline constexpr int PageCount = 11;
inline constexpr int ParamImageSlots = 129;
inline constexpr int DeviceImageSlots = 145;
inline constexpr int ModeNameCount = 21;
inline constexpr int ModeNameMaxLength = 20;
inline constexpr int StoredModeCount = 9;  // modes the processor stores, numbered 1..9

// Indices of each page that exist in the parameter image (0..count-1).
inline constexpr std::array<int, PageCount> PageParamCount = {54, 83, 37, 83, 41, 41,
                                                              116, 71, 71, 116, 35};

inline constexpr int PageOf(ParamId id) { return id >> 8; }
inline constexpr int IndexOf(ParamId id) { return id & 0xFF; }
inline constexpr ParamId MakeId(int page, int index) {
    return static_cast<ParamId>(page * 256 + index);
}

using ParamImageRows = std::array<std::array<std::int32_t, ParamImageSlots>, PageCount>;
using DeviceImageRows = std::array<std::array<std::int32_t, DeviceImageSlots>, PageCount>;

// One instance per program (GUI, CLI, simulator); nothing in the core is global.
struct Model {
    ParamImageRows ParamImage{};
    DeviceImageRows DeviceImage{};

    int MicBandMode = 0;       // 0 group A (page 1), 1 group B (page 3)
    int MainVariant = 6;       // 6 main output, 9 rear output
    int AuxVariant = 7;        // 7 aux 1, 8 aux 2
    int EffectEqVariant = 4;   // 4 echo EQ, 5 reverb EQ
    int ModeFlag = 0;          // 0 sing, 1 dance

    std::array<std::string, ModeNameCount> ModeNames{};
    std::string SystemPassword;
    std::string PanelPassword;
    std::string DeviceIdentity;  // eight upper-case hex digits once read
};

// The id under which a value edited through a control's id is really stored.
ParamId StorageId(const Model& model, ParamId id);

// The device-image slot of a stored index for operating mode 0 or 1.
int DeviceSlot(int page, int index, int mode);

// Rebuilds the parameter image from the device image for operating mode 0 or 1
// and the model's selectors: the shared controls of the microphone, effect EQ,
// main and auxiliary pages show the selected copy. The microphone's common
// slots 1..3 keep their values in group B.
void LoadViewFromDevice(Model& model, int mode);

// Records a value in both images and returns the storage id the link must send.
// Ids outside the images are ignored (nothing is written) but still mapped.
ParamId StoreValue(Model& model, ParamId id, int value);

// Records a value under a storage id as it stands, whatever the selectors: the
// parameter-image word of its page and the device-image slot of the mode in use.
void StoreAt(Model& model, ParamId storageId, int value);

}  // namespace kdsp
