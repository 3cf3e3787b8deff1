// Fuzzes the inventory parser: any text is refused or gives entries whose names
// can name files and whose addresses read back as themselves.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/fleet/inventory.h"
#include "core/preset/preset_library.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kdsp::Inventory inv = kdsp::ParseInventory(text);
    Check(inv.error.has_value() != !inv.entries.empty(), "refused, or entries");
    for (const kdsp::InventoryEntry& e : inv.entries) {
        Check(!kdsp::PresetNameProblem(e.name), "the name can name a file");
        const auto again = kdsp::ParseDeviceAddress(e.address.Text(), nullptr);
        Check(again && again->Text() == e.address.Text(), "the address reads back as itself");
    }
    return 0;
}
