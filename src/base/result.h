#pragma once

// How work that can fail says so: a Result holds either its value or a Failure, the reason in
// words for the user ("Input/output error", "Not a TIFF file: it begins with ..."). Bad data is
// no failure: a damaged page is still a page. Failures are what end the work: a file that cannot
// be opened, read or written.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace faxlens {

struct Failure {
    std::string reason;
};

inline Failure Fail(std::string reason) {
    return Failure{std::move(reason)};
}

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // The value; only when Ok().
    T& operator*() & { return std::get<0>(state_); }
    const T& operator*() const& { return std::get<0>(state_); }
    T&& operator*() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    // Why there is no value; only when !Ok().
    const std::string& Reason() const { return std::get<1>(state_).reason; }
    Failure TakeFailure() && { return std::get<1>(std::move(state_)); }

private:
    std::variant<T, Failure> state_;
};

// Work that yields nothing but may fail.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool Ok() const { return !failure_.has_value(); }
    explicit operator bool() const { return Ok(); }
    const std::string& Reason() const { return failure_->reason; }
    Failure TakeFailure() && { return std::move(*failure_); }

private:
    std::optional<Failure> failure_;
};

using Status = Result<void>;

} // namespace faxlens
