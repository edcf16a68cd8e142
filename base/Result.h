#pragma once
// How everything in hostapp/ (the picture library included) reports failure:
// a function that can fail returns Result<T>, a value or a one-line message
// saying what went wrong, or Status when success carries no value. Messages
// name the file or the place they are about; the command that gets one
// prints it and picks the exit code. Exceptions (the JSON library's,
// std::bad_alloc) are caught where they can arise and become a message: none
// leaves a function of hostapp/.
#include <optional>
#include <string>
#include <utility>

namespace hostapp {

// What a failed call returns: `return Failure{"cannot read " + path};`.
struct Failure {
    std::string message;
};

// Success, or a failure with its message.
class [[nodiscard]] Status {
  public:
    Status() = default;
    Status(Failure failure) : error_(std::move(failure.message)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // The message; empty on success.
    const std::string& error() const { return error_; }

  private:
    std::string error_;
    bool failed_ = false;
};

// A value, or a failure with its message.
template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : error_(std::move(failure.message)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // The message; empty on success.
    const std::string& error() const { return error_; }
    // The failure, to pass on from a function of another result type.
    Failure failure() const { return {error_}; }

  private:
    std::optional<T> value_;
    std::string error_;
};

}  // namespace hostapp
