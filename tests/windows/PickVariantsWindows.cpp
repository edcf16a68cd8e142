// On Windows the plugin's maths library (windows/maths/Maths.c) picks its
// variants; linked into the sample, it is told which to take.
#include <string>

#include "PickVariants.h"

extern "C" int trimsight_maths_pick_variants(const char* name);

bool pickVariants(const std::string& name) {
    return trimsight_maths_pick_variants(name.c_str()) != 0;
}
