#pragma once
// Console variables as a plugin sees them.
//
// Values are kept as text. Reading converts the text the way the host does:
// the text is parsed as a float (text that does not start with a number reads
// as 0); getFloatValue is that float, getIntValue is it truncated toward zero
// (saturating at the int range, NaN reads as 0), and getBoolValue is
// getIntValue() != 0, so "0.5" reads false and the text "4.0" reads as 4.
// setValue keeps the value inside the bounds given at registration.
#include <memory>
#include <string>
#include <string_view>

namespace pluginsdk {
class CVarStore;
struct CVarEntry;
}  // namespace pluginsdk

// Value handle on one console variable; an invalid handle tests false.
// Copying it copies a pointer. It stays usable for as long as the host's
// store lives, even after the variable is removed (it is then orphaned).
class CVarWrapper {
  public:
    CVarWrapper() = default;
    explicit CVarWrapper(pluginsdk::CVarEntry* entry) : entry_(entry) {}

    explicit operator bool() const { return entry_ != nullptr; }

    // Getters and setters must not be used on an invalid handle.
    bool getBoolValue() const;
    int getIntValue() const;
    float getFloatValue() const;
    std::string getStringValue() const;
    std::string getDescription() const;

    void setValue(int value);
    void setValue(float value);
    // Text as typed into the host console; numbers are kept inside the bounds.
    void setValue(std::string_view text);

  private:
    pluginsdk::CVarEntry* entry_ = nullptr;
};

// Value handle on the host's console-variable manager.
class CVarManagerWrapper {
  public:
    explicit CVarManagerWrapper(pluginsdk::CVarStore& store) : store_(&store) {}

    // A second registration of a name keeps the first variable as it is.
    CVarWrapper registerCvar(std::string name, std::string defaultValue,
                             std::string description = "", bool searchable = true,
                             bool hasMin = false, float min = 0.0f, bool hasMax = false,
                             float max = 0.0f, bool saveToFile = true);
    // Invalid handle for a name never registered. Takes no lock and does not
    // allocate: a frame reads its variables by name this way.
    CVarWrapper getCvar(std::string_view name) const;
    // One line on the host console.
    void log(const std::string& text);

  private:
    pluginsdk::CVarStore* store_;
};
