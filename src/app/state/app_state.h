// Window-wide state of the control application: the control tables, the
// current/highlighted edits, the re-entrance flags and the selection.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include <QString>

class QWidget;

namespace kdsp {

class BoundEdit;
class BoundButton;
class BoundLabel;
struct ImageEdit;

inline constexpr int TablePages = 11;
inline constexpr int TableSlots = 86;  // parameters at 86 and above have no control
inline constexpr int LabelGraphs = 11;
inline constexpr int LabelsPerGraph = 22;

struct ControlTables {
    using Row = std::array<QWidget*, TableSlots>;
    std::array<Row, TablePages> Editor{};
    std::array<Row, TablePages> Pane{};
    std::array<Row, TablePages> Spin{};
    std::array<std::array<std::array<QWidget*, 3>, TableSlots>, TablePages> BandType{};
    std::array<std::array<BoundLabel*, LabelsPerGraph>, LabelGraphs> BandLabel{};
    std::array<BoundButton*, 10> TabButtons{};
    std::array<BoundButton*, 3> ChoiceGroup{};
};

struct LastChangeRecord {
    std::uint16_t id = 0;
    int value = 0;
};

struct AppState {
    ControlTables Tables;

    BoundEdit* Example = nullptr;          // placeholder: "no edit is current"
    BoundEdit* CurrentEdit = nullptr;      // edit that keys, wheel and spins act on
    BoundEdit* HighlightedEdit = nullptr;  // edit drawn with the highlighted frame
    QString LastGoodText;
    LastChangeRecord LastChange;
    bool WheelStepping = false;            // set once an edit has been clicked

    bool RefreshInProgress = false;
    bool SuppressSend = false;
    bool ProgrammaticMove = false;
    bool DynEqResetInProgress = false;

    int EqGraphSelection = 0;              // page << 8 | sheet
    int CurrentPage = 0;                   // page whose controls are shown
    std::array<int, TablePages> BypassState{};
    std::array<int, 10> SelectedBand{};    // per EQ graph
    std::uint32_t CurveColour = 0xFF00CCFF;  // ARGB
    bool WindowShown = false;
    // Set by the first online refresh: until then the stored-mode list and the
    // current-mode caption keep their start-up texts, since the processor's mode
    // names and current mode are not known yet.
    bool DeviceMemoryRead = false;

    // How an edit the window has stored reaches the processor: the link window
    // hands it to its session here. Unset, an edit is only stored.
    std::function<void(const ImageEdit&)> SendEdit;
    // The event filter of the channel handlers; released first, so no handler
    // runs on a half-destroyed window.
    std::shared_ptr<void> ChannelWiring;
};

}  // namespace kdsp
