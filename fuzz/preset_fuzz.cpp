// Fuzzes the preset reader on arbitrary files: it gives a result or a typed
// error, never a partial image, and a good file applies only inside the image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/preset/preset_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kdsp::PresetReadResult result = kdsp::ParsePreset(bytes);
    if (!result.Ok()) {
        Check(result.records.empty(), "an error hands out no records");
        kdsp::Model model;
        model.DeviceImage[3][7] = 77;
        kdsp::ApplyPreset(result, model);
        Check(model.DeviceImage[3][7] == 77, "an error leaves the image unchanged");
        return 0;
    }
    for (const kdsp::PresetRecord& r : result.records)
        Check(r.page >= 0 && r.page < kdsp::PageCount && r.slot >= 0 &&
                  r.slot < kdsp::DeviceImageSlots,
              "records lie inside the image");
    kdsp::Model model;
    kdsp::ApplyPreset(result, model);
    // What we write back must read again as the same image.
    const std::string again = kdsp::FormatPresetFile(model.DeviceImage);
    Check(kdsp::ParsePreset(again).Ok(), "a written file reads back");
    return 0;
}
