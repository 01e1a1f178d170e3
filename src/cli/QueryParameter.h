#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// A request the lookup service refuses. what() is English text for the answer's body.
class EBadRequest : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The value of the one parameter `name` in the query part of an HTTP request target (the text after
// the first "?"; "&" separates the parameters, "=" a name from its value), percent-decoded, with "+"
// read as a blank. std::nullopt when the parameter is missing. Throws EBadRequest when it is given
// more than once, or when any parameter holds a "%" not followed by two hexadecimal digits.
std::optional<std::string> QueryParameter(std::string_view target, std::string_view name);
