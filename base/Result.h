#pragma once
// base/: what every library of the host program shares, and nothing else:
// the one way a failure is reported (this file), the one way a warning is
// passed on (Warnings.h), and the part of a user's text a message quotes
// (Excerpt.h). Headers only; nothing here knows the plugin, the
// host layer, files or the program.
//
// A function that can fail returns Result<T>, a value or a one-line message
// saying what went wrong, or Status when success carries no value. Messages
// name the file or the place they are about ("PATH:LINE: what is wrong").
// The program's layer (app/, web/) prints a failure and picks the exit
// code; no library below it chooses one, prints one, or throws across its
// boundary: exceptions (the JSON library's, std::bad_alloc) are caught where
// they can arise and become a message.
#include <optional>
#include <string>
#include <utility>

namespace base {

// What a failed call returns: `return base::Failure{"cannot read " + path};`.
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
    // The failure, to pass on.
    Failure failure() const { return {error_}; }

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

}  // namespace base
