#include "HttpRequest.h"

#include "HttpText.h"

#include <cstring>

static bool isTokenChar(char c)
{
    if (isalnum(static_cast<unsigned char>(c)))
        return true;
    return c != '\0' && strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

static bool isToken(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

HttpRequest::ParseResult HttpRequest::parse(std::string_view head)
{
    m_headers.clear();
    bool first = true;
    bool versionOk = true;
    while (!head.empty()) {
        size_t eol = head.find('\n');
        std::string_view line = head.substr(0, eol);
        head.remove_prefix(eol == std::string_view::npos ? head.size() : eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            // Tolerate stray empty lines before the request line (RFC 9112 2.2).
            if (line.empty())
                continue;
            first = false;
            if (!parseRequestLine(line))
                return ParseResult::Malformed;
            if (m_minorVersion < 0)
                versionOk = false;
            continue;
        }
        if (!parseHeaderLine(line))
            return ParseResult::Malformed;
    }
    if (first)
        return ParseResult::Malformed;
    return versionOk ? ParseResult::Ok : ParseResult::UnsupportedVersion;
}

bool HttpRequest::parseRequestLine(std::string_view line)
{
    size_t sp1 = line.find(' ');
    if (sp1 == std::string_view::npos)
        return false;
    size_t sp2 = line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos)
        return false;
    std::string_view method = line.substr(0, sp1);
    std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    std::string_view version = line.substr(sp2 + 1);
    if (!isToken(method) || target.empty())
        return false;
    for (char c : target) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f)
            return false;
    }
    // Absolute form from proxies and tools: keep only the path.
    if (target.substr(0, 7) == "http://") {
        size_t slash = target.find('/', 7);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    if (target.front() != '/')
        return false;
    size_t hash = target.find('#');
    if (hash != std::string_view::npos)
        target = target.substr(0, hash);

    if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || !isdigit(static_cast<unsigned char>(version[5]))
        || version[6] != '.' || !isdigit(static_cast<unsigned char>(version[7])))
        return false;
    m_method = method;
    m_target = target;
    m_minorVersion = version[5] == '1' ? version[7] - '0' : -1;
    return true;
}

bool HttpRequest::parseHeaderLine(std::string_view line)
{
    // Obsolete line folding and whitespace before the colon are rejected (smuggling vectors).
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view name = line.substr(0, colon);
    if (!isToken(name))
        return false;
    std::string_view value = HttpText::trim(line.substr(colon + 1));
    for (char c : value) {
        auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return false;
    }
    std::string lowerName(name);
    for (char& c : lowerName)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    m_headers.emplace_back(std::move(lowerName), std::string(value));
    return true;
}

std::string_view HttpRequest::path() const
{
    std::string_view target(m_target);
    return target.substr(0, target.find('?'));
}

std::string_view HttpRequest::query() const
{
    std::string_view target(m_target);
    size_t question = target.find('?');
    return question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
}

const std::string* HttpRequest::header(std::string_view name) const
{
    for (const auto& [key, value] : m_headers) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

int HttpRequest::headerCount(std::string_view name) const
{
    int count = 0;
    for (const auto& entry : m_headers) {
        if (entry.first == name)
            ++count;
    }
    return count;
}

bool HttpRequest::wantsKeepAlive() const
{
    const std::string* connection = header("connection");
    if (m_minorVersion >= 1)
        return !connection || !HttpText::listHasToken(*connection, "close");
    return connection && HttpText::listHasToken(*connection, "keep-alive");
}
