#pragma once

#include <string>
#include <utility>
#include <variant>

namespace korvan {

// What went wrong, for callers that must tell the user or a script.
enum class ErrorCode {
    NotFound,      // the file or object does not exist
    Io,            // reading, writing, flushing or renaming failed
    Format,        // input was there but could not be understood
    Invalid,       // an argument or a value was refused
    Unsupported,   // the platform cannot do this
    Failed,        // anything else; `detail` says what
};

struct Error {
    ErrorCode code = ErrorCode::Failed;
    std::string detail;  // UTF-8, one line, for people; never parsed
};

// A value or an Error. Expected failures travel as values, never as
// exceptions, so that nothing unwinds through a window procedure or a port.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state(std::move(value)) {}
    Result(Error error) : state(std::move(error)) {}

    bool ok() const { return state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state); }
    const T& value() const& { return std::get<0>(state); }
    T&& value() && { return std::get<0>(std::move(state)); }
    const Error& error() const { return std::get<1>(state); }

private:
    std::variant<T, Error> state;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : failure(std::move(error)), failed(true) {}

    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return failure; }

private:
    Error failure;
    bool failed = false;
};

inline Error makeError(ErrorCode code, std::string detail) {
    return Error{code, std::move(detail)};
}

}  // namespace korvan
