// The config file parser on any text: entries or a one-line error, never a
// crash; entries that parse are written out and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scene/SavedSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const base::Result<scene::SavedSettings> result = scene::parseSavedSettings(text);
    if (result.ok() == !result.error().empty() || result.error().find('\n') != std::string::npos) {
        std::fprintf(stderr, "bad config result: '%s'\n", result.error().c_str());
        std::abort();
    }
    if (result) {
        const std::string saved = scene::formatSavedSettings(*result);
        const base::Result<scene::SavedSettings> again = scene::parseSavedSettings(saved);
        if (!again || *again != *result) {
            std::fprintf(stderr, "bad config round trip: '%s'\n", again.error().c_str());
            std::abort();
        }
    }
    return 0;
}
