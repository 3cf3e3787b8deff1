// Fuzzes the venue service's decoding of a set request: the first byte picks the role
// and strict, the rest is the body. Any body is refused with a status and a code, or
// gives writes the role may make, each inside its parameter's range and under the
// volume maximum the processor holds.
#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/model/param_table.h"
#include "venue/param_request.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kdsp::venue;
    if (size == 0)
        return 0;
    const Role role = static_cast<Role>(data[0] % 3);
    const bool strict = (data[0] & 0x80) != 0;
    const Actor actor{role, "fuzz", (data[0] & 0x40) ? "room1" : "room2", "http"};
    const QByteArray body(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    RequestError error;
    const auto values = ParseJsonObject(body, &error);
    if (!values) {
        Check(error.status == 400 && !error.code.empty(), "a body that is not an object is a 400");
        return 0;
    }
    constexpr int VolumeMax = 7;  // what the processor holds for every maximum
    const DecodedSet d = DecodeSetRequest(*values, actor, "room1", strict,
                                          [](const kdsp::ParamSpec&) { return VolumeMax; });
    if (d.error) {
        Check(d.error->status == 400 || d.error->status == 403, "a refusal is a 400 or a 403");
        Check(d.writes.empty() || d.error, "refused whole");
        return 0;
    }
    Check(!d.writes.empty() && d.writes.size() <= static_cast<std::size_t>(values->size()), "one write a name");
    for (const ParamWrite& w : d.writes) {
        Check(MaySet(actor, "room1", *w.param), "only what the role may change");
        Check(w.param->Writable() && !w.param->Reserved(), "only what can be written");
        Check(w.value >= w.param->Min() && w.value <= w.param->Max(), "inside the range");
        Check(!VolumeMaximum(*w.param) || w.value <= VolumeMax, "under the volume maximum");
    }
    return 0;
}
