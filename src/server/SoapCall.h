#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// One SOAP request as the server reads it: the method and its parameters as texts.
struct SoapCall
{
    std::string method;
    std::map<std::string, std::string> params;

    std::string param(const std::string &name) const;
    // A parameter holding a decimal ID (sent as a string); nothing when it is missing or not a number.
    std::optional<int64_t> idParam(const std::string &name) const;

    // Reads the envelope; false with a reason when it is not a SOAP request we can answer.
    static bool parse(const std::string &body, SoapCall &call, std::string &error);
};
