#pragma once
// The sandbox library's one way to report failure: a value, or a one-line
// message saying where and what went wrong. Nothing in the library throws
// across its boundary.
#include <optional>
#include <string>
#include <utility>

namespace sandbox {

template <typename T>
struct Result {
    std::optional<T> value;
    std::string error;  // empty when `value` holds a value

    static Result success(T v) { return {std::move(v), {}}; }
    static Result failure(std::string message) { return {std::nullopt, std::move(message)}; }
    bool ok() const { return value.has_value(); }
};

}  // namespace sandbox
