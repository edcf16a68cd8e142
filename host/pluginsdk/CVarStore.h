#pragma once
// The host's console-variable store. Safe to read and write from several
// threads. Reads take no lock and count no reference, so a frame can look
// its variables up by name cheaply: a lookup reads the current directory of
// names (replaced by a larger one only as names are added) and the name's
// slot, which a registration, removal or re-creation sets at once; values
// are atomic. Writers serialise on one mutex.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
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

// The longest text whose number the console reads whole: it converts a
// copy of at most this many characters.
inline constexpr std::size_t kMaxCVarNumberText = 63;

// Host's conversions from stored text: the number at the start of the first
// kMaxCVarNumberText characters, 0 when there is none.
float parseCVarFloat(std::string_view text);
int truncCVarInt(float value);

struct CVarEntry : std::enable_shared_from_this<CVarEntry> {
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
    CVarStore();

    // Keeps the first registration of a name.
    std::shared_ptr<CVarEntry> registerCvar(CVarDefinition definition);
    // The variable of that name, or null. Takes no lock, counts no reference
    // and does not allocate: what the plugin's handles are made from. The
    // entry lives as long as the store, even after it is removed.
    CVarEntry* lookup(std::string_view name) const;
    // The same as an owning pointer, for the host's side.
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

    void log(const std::string& line);
    std::vector<std::string> consoleLines() const;
    // Called for every logged line, after it is kept (e.g. to echo it).
    void setLogSink(std::function<void(const std::string&)> sink);

  private:
    // One name ever registered and its variable now (null while removed).
    struct Slot {
        explicit Slot(std::string n) : name(std::move(n)) {}
        const std::string name;
        std::atomic<CVarEntry*> entry{nullptr};
    };
    // Every slot by name: an open-addressed table keyed by a name's length
    // and three of its bytes, so that a lookup compares one name, nearly
    // always the right one. A new name goes into a free place; only when the
    // table would be more than half full is a directory twice the size made.
    // A removal or a re-creation only sets the slot.
    struct Directory {
        explicit Directory(unsigned b) : bits(b), table(std::size_t{1} << b) {}
        const unsigned bits;
        std::vector<std::atomic<Slot*>> table;  // 2^bits places
    };

    // Where a name sits in a directory, or the empty place where it would go.
    static std::size_t placeOf(const Directory& directory, std::string_view name);
    Slot* slotFor(std::string_view name) const;
    Slot& addSlot(std::string name, CVarEntry* entry);

    std::atomic<Directory*> directory_;
    // Written under writeMutex_. Every slot, directory and entry is kept
    // until the store goes: a reader may still be looking at an old
    // directory, and a handle may hold a removed entry. They grow only with
    // new names, and with each re-creation by one entry.
    mutable std::mutex writeMutex_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::unique_ptr<Directory>> directories_;
    std::vector<std::shared_ptr<CVarEntry>> entries_;
    std::vector<CVarEntry*> order_;  // the live variables in registration order

    mutable std::mutex logMutex_;
    std::vector<std::string> console_;
    std::function<void(const std::string&)> logSink_;
};

}  // namespace pluginsdk
