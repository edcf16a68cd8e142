#pragma once
// The host's console-variable store. Safe to read and write from several
// threads: lookups take a shared lock on the name table, values are read
// without a lock.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "host/CVarManagerWrapper.h"

namespace pluginsdk {

struct CVarDefinition {
    std::string name;
    std::string defaultValue;
    std::string description;
    bool searchable = true;
    bool hasMin = false;
    float min = 0.0f;
    bool hasMax = false;
    float max = 0.0f;
    bool saveToFile = true;
};

// Host's conversions from stored text.
float parseCVarFloat(std::string_view text);
int truncCVarInt(float value);

struct CVarEntry {
    explicit CVarEntry(CVarDefinition s);

    const CVarDefinition definition;

    std::string text() const;
    float floatValue() const { return value_.load(std::memory_order_relaxed); }
    // Stores the text as given, without clamping.
    void setRaw(std::string text);
    // Stores the number, kept inside the registered bounds. NaN is refused.
    void setNumber(float value);

  private:
    mutable std::mutex mutex_;
    std::string text_;
    std::atomic<float> value_;
};

class CVarStore {
  public:
    // Keeps the first registration of a name.
    std::shared_ptr<CVarEntry> registerCvar(CVarDefinition definition);
    // Null for an unknown name. Does not allocate.
    std::shared_ptr<CVarEntry> find(std::string_view name) const;
    // Sets a variable's text without clamping; false if it does not exist.
    bool setRaw(std::string_view name, std::string text);
    // Removes a variable; handles already taken stay usable but are orphaned.
    bool remove(std::string_view name);

    struct Snapshot {
        CVarDefinition definition;
        std::string value;
    };
    // Every variable, in registration order.
    std::vector<Snapshot> list() const;

    void log(std::string line);
    std::vector<std::string> consoleLines() const;
    // Called for every logged line, after it is kept (e.g. to echo it).
    void setLogSink(std::function<void(const std::string&)> sink);

  private:
    mutable std::shared_mutex mutex_;
    std::map<std::string, std::shared_ptr<CVarEntry>, std::less<>> vars_;
    std::vector<std::shared_ptr<CVarEntry>> order_;
    mutable std::mutex logMutex_;
    std::vector<std::string> console_;
    std::function<void(const std::string&)> logSink_;
};

}  // namespace pluginsdk
