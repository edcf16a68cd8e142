// Placeholder until the settings page lands.
#include "Trimsight.h"

void Trimsight::renderSettings() {}
std::string Trimsight::getSettingsName() { return "Trimsight"; }
void Trimsight::attachImGuiContext(uintptr_t) {}
