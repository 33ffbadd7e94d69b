#pragma once

#include <string>

// Escapes text for XML character data and attribute values in double quotes.
std::string xmlEscape(const std::string &text);
