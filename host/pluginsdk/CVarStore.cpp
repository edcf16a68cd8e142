#include "host/pluginsdk/CVarStore.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "portable/FloatChars.h"

namespace pluginsdk {

float parseCVarFloat(std::string_view text) {
    // strtof needs a terminated string; console values are short.
    char buf[64];
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

std::shared_ptr<CVarEntry> CVarStore::registerCvar(CVarDefinition definition) {
    std::unique_lock lock(mutex_);
    auto it = vars_.find(definition.name);
    if (it != vars_.end()) return it->second;
    std::string name = definition.name;
    auto entry = std::make_shared<CVarEntry>(std::move(definition));
    vars_.emplace(std::move(name), entry);
    order_.push_back(entry);
    return entry;
}

std::shared_ptr<CVarEntry> CVarStore::find(std::string_view name) const {
    std::shared_lock lock(mutex_);
    auto it = vars_.find(name);
    return it == vars_.end() ? nullptr : it->second;
}

bool CVarStore::setRaw(std::string_view name, std::string text) {
    auto entry = find(name);
    if (!entry) return false;
    entry->setRaw(std::move(text));
    return true;
}

bool CVarStore::remove(std::string_view name) {
    std::unique_lock lock(mutex_);
    auto it = vars_.find(name);
    if (it == vars_.end()) return false;
    std::erase(order_, it->second);
    vars_.erase(it);
    return true;
}

std::vector<CVarStore::Snapshot> CVarStore::list() const {
    std::shared_lock lock(mutex_);
    std::vector<Snapshot> out;
    out.reserve(order_.size());
    for (const auto& entry : order_) out.push_back({entry->definition, entry->text()});
    return out;
}

void CVarStore::log(std::string line) {
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
