#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class HttpRequest {
public:
    enum class ParseResult { Ok, Malformed, UnsupportedVersion };

    // HEAD is the request head without the blank line that ends it.
    ParseResult parse(std::string_view head);

    const std::string& method() const { return m_method; }
    // Request target as sent, query included.
    const std::string& target() const { return m_target; }
    // Target up to '?', still percent-encoded.
    std::string_view path() const;
    std::string_view query() const;
    int minorVersion() const { return m_minorVersion; }

    // First value of a header, nullptr if absent. NAME must be lower case.
    const std::string* header(std::string_view name) const;
    int headerCount(std::string_view name) const;
    bool wantsKeepAlive() const;

private:
    bool parseRequestLine(std::string_view line);
    bool parseHeaderLine(std::string_view line);

    std::string m_method;
    std::string m_target;
    int m_minorVersion = 1;
    std::vector<std::pair<std::string, std::string>> m_headers;
};
