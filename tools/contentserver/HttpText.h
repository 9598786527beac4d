#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// Small text helpers for HTTP/1.1 messages.
namespace HttpText {

// Decodes %XX escapes; '+' is kept as is. Returns nothing on a broken escape.
std::optional<std::string> percentDecode(std::string_view text);

std::string formatDate(std::time_t time);
// Accepts IMF-fixdate plus the two obsolete forms HTTP/1.1 still requires.
std::optional<std::time_t> parseDate(std::string_view text);

std::string_view trim(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// True if the comma separated list contains the token (case-insensitive).
bool listHasToken(std::string_view list, std::string_view token);

// Value of KEY in a query string (a=b&c=d), percent-decoded.
std::optional<std::string> queryValue(std::string_view query, std::string_view key);

const char* reasonPhrase(int status);

} // namespace HttpText
