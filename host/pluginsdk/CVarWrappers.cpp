// The plugin-facing console-variable handles over the host's store.
#include "host/pluginsdk/CVarStore.h"

bool CVarWrapper::getBoolValue() const { return getIntValue() != 0; }
int CVarWrapper::getIntValue() const { return pluginsdk::truncCVarInt(entry_->floatValue()); }
float CVarWrapper::getFloatValue() const { return entry_->floatValue(); }
std::string CVarWrapper::getStringValue() const { return entry_->text(); }
std::string CVarWrapper::getDescription() const { return entry_->definition.description; }

void CVarWrapper::setValue(int value) { entry_->setNumber(static_cast<float>(value)); }
void CVarWrapper::setValue(float value) { entry_->setNumber(value); }
void CVarWrapper::setValue(std::string_view text) {
    entry_->setNumber(pluginsdk::parseCVarFloat(text));
}

CVarWrapper CVarManagerWrapper::registerCvar(std::string name, std::string defaultValue,
                                             std::string description, bool searchable, bool hasMin,
                                             float min, bool hasMax, float max, bool saveToFile) {
    return CVarWrapper(
        store_
            ->registerCvar({std::move(name), std::move(defaultValue), std::move(description),
                            searchable, hasMin, min, hasMax, max, saveToFile})
            .get());
}

CVarWrapper CVarManagerWrapper::getCvar(std::string_view name) const {
    return CVarWrapper(store_->lookup(name));
}

void CVarManagerWrapper::log(const std::string& text) { store_->log(text); }
