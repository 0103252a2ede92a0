// The error every layer throws for a failure the user is told about.
#pragma once

#include <stdexcept>
#include <string>

namespace qx {

// An unexpected failure with a message meant for the user.
class Error : public std::runtime_error {
public:
    explicit Error(const std::u16string& message);
    const std::u16string& message() const { return message_; }

private:
    std::u16string message_;
};

}  // namespace qx
