#include "host/pluginsdk/CVarStore.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "portable/FloatChars.h"

namespace pluginsdk {

float parseCVarFloat(std::string_view text) {
    // strtof needs a terminated string; console values are short.
    char buf[kMaxCVarNumberText + 1];
    const std::size_t n = text.size() < sizeof buf - 1 ? text.size() : sizeof buf - 1;
    text.copy(buf, n);
    buf[n] = '\0';
    char* end = nullptr;
    const float v = std::strtof(buf, &end);
    return end == buf ? 0.0f : v;
}

int truncCVarInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<int>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

namespace {
std::string formatFloat(float v) { return portable::toText(v); }
}  // namespace

CVarEntry::CVarEntry(CVarDefinition s)
    : definition(std::move(s)),
      text_(definition.defaultValue),
      value_(parseCVarFloat(definition.defaultValue)) {}

std::string CVarEntry::text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void CVarEntry::setRaw(std::string text) {
    const float v = parseCVarFloat(text);
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
    value_.store(v, std::memory_order_relaxed);
}

void CVarEntry::setNumber(float v) {
    if (std::isnan(v)) return;
    if (definition.hasMin && v < definition.min) v = definition.min;
    if (definition.hasMax && v > definition.max) v = definition.max;
    // Whole numbers are kept as integers ("1", not "1.0") like the console does.
    std::string text = (std::trunc(v) == v && std::fabs(v) < 1e9f)
                           ? std::to_string(static_cast<long long>(v))
                           : formatFloat(v);
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
    value_.store(v, std::memory_order_relaxed);
}

namespace {
// A name's length and its first, middle and last bytes, which tell the
// plugin's names apart, spread over 64 bits by one multiplication whose top
// bits then pick the place (Fibonacci hashing).
std::uint64_t nameKey(std::string_view name) {
    std::uint64_t key = name.size();
    if (!name.empty()) {
        const auto byte = [&](std::size_t i) {
            return static_cast<std::uint64_t>(static_cast<unsigned char>(name[i]));
        };
        key |= byte(0) << 8 | byte(name.size() / 2) << 16 | byte(name.size() - 1) << 24;
    }
    return key * 0x9E3779B97F4A7C15u;
}

std::uint64_t word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Equal names, compared eight bytes at a time (the last eight overlapping
// the ones before): names are short, and a call of memcmp would cost as much
// as the rest of the lookup.
bool sameName(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (b.size() != n) return false;
    if (n < 8) {
        for (std::size_t i = 0; i < n; ++i) {
            if (a[i] != b[i]) return false;
        }
        return true;
    }
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        if (word(a.data() + i) != word(b.data() + i)) return false;
    }
    return word(a.data() + n - 8) == word(b.data() + n - 8);
}

}  // namespace

CVarStore::CVarStore() {
    directories_.push_back(std::make_unique<Directory>(3));
    directory_.store(directories_.back().get(), std::memory_order_release);
}

std::size_t CVarStore::placeOf(const Directory& directory, std::string_view name) {
    const std::size_t mask = directory.table.size() - 1;
    std::size_t i = nameKey(name) >> (64 - directory.bits);
    for (;;) {
        const Slot* slot = directory.table[i].load(std::memory_order_acquire);
        if (!slot || sameName(slot->name, name)) return i;
        i = (i + 1) & mask;
    }
}

CVarStore::Slot* CVarStore::slotFor(std::string_view name) const {
    const Directory& directory = *directory_.load(std::memory_order_acquire);
    return directory.table[placeOf(directory, name)].load(std::memory_order_acquire);
}

CVarStore::Slot& CVarStore::addSlot(std::string name, CVarEntry* entry) {
    slots_.push_back(std::make_unique<Slot>(std::move(name)));
    Slot* slot = slots_.back().get();
    slot->entry.store(entry, std::memory_order_relaxed);  // published with the slot
    Directory* directory = directory_.load(std::memory_order_relaxed);
    if (2 * slots_.size() <= directory->table.size()) {
        directory->table[placeOf(*directory, slot->name)].store(slot, std::memory_order_release);
        return *slot;
    }
    auto larger = std::make_unique<Directory>(directory->bits + 1);
    for (const auto& s : slots_) {
        larger->table[placeOf(*larger, s->name)].store(s.get(), std::memory_order_relaxed);
    }
    directory_.store(larger.get(), std::memory_order_release);
    directories_.push_back(std::move(larger));
    return *slot;
}

std::shared_ptr<CVarEntry> CVarStore::registerCvar(CVarDefinition definition) {
    std::lock_guard lock(writeMutex_);
    Slot* slot = slotFor(definition.name);
    if (slot) {
        if (CVarEntry* existing = slot->entry.load(std::memory_order_relaxed)) {
            return existing->shared_from_this();
        }
    }
    auto entry = std::make_shared<CVarEntry>(std::move(definition));
    entries_.push_back(entry);
    order_.push_back(entry.get());
    if (slot) {
        slot->entry.store(entry.get(), std::memory_order_release);
    } else {
        addSlot(entry->definition.name, entry.get());
    }
    return entry;
}

CVarEntry* CVarStore::lookup(std::string_view name) const {
    const Slot* slot = slotFor(name);
    return slot ? slot->entry.load(std::memory_order_acquire) : nullptr;
}

std::shared_ptr<CVarEntry> CVarStore::find(std::string_view name) const {
    CVarEntry* entry = lookup(name);
    return entry ? entry->shared_from_this() : nullptr;
}

bool CVarStore::setRaw(std::string_view name, std::string text) {
    CVarEntry* entry = lookup(name);
    if (!entry) return false;
    entry->setRaw(std::move(text));
    return true;
}

bool CVarStore::remove(std::string_view name) {
    std::lock_guard lock(writeMutex_);
    Slot* slot = slotFor(name);
    CVarEntry* entry = slot ? slot->entry.load(std::memory_order_relaxed) : nullptr;
    if (!entry) return false;
    std::erase(order_, entry);
    slot->entry.store(nullptr, std::memory_order_release);
    return true;
}

std::vector<CVarStore::Snapshot> CVarStore::list() const {
    std::lock_guard lock(writeMutex_);
    std::vector<Snapshot> out;
    out.reserve(order_.size());
    for (const CVarEntry* entry : order_) out.push_back({entry->definition, entry->text()});
    return out;
}

void CVarStore::log(const std::string& line) {
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(logMutex_);
        console_.push_back(line);
        sink = logSink_;
    }
    if (sink) sink(line);
}

std::vector<std::string> CVarStore::consoleLines() const {
    std::lock_guard lock(logMutex_);
    return console_;
}

void CVarStore::setLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(logMutex_);
    logSink_ = std::move(sink);
}

}  // namespace pluginsdk
