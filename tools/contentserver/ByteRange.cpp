#include "ByteRange.h"

#include "HttpRequest.h"
#include "HttpText.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {
std::optional<off_t> parseOffset(std::string_view text)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return static_cast<off_t>(std::stoll(std::string(text)));
}

// If-Range holds a validator: a strong entity tag must equal the file's, a date its modification time.
bool ifRangeMatches(const std::string& validator, const ContentRoot::File& file)
{
    if (validator.empty())
        return false;
    if (validator.front() == '"' || validator.substr(0, 2) == "W/")
        return validator == file.etag;
    std::optional<std::time_t> date = HttpText::parseDate(validator);
    return date && *date == file.modified;
}
} // namespace

ByteRange ByteRange::select(const HttpRequest& request, const ContentRoot::File& file, bool rangesHonoured)
{
    ByteRange whole;
    whole.length = file.size;
    whole.honoured = rangesHonoured;
    const std::string* header = request.header("range");
    if (!rangesHonoured || !header || request.headerCount("range") != 1)
        return whole;
    if (const std::string* validator = request.header("if-range"); validator && !ifRangeMatches(*validator, file))
        return whole;

    std::string_view rangeText = HttpText::trim(*header);
    constexpr std::string_view unit = "bytes=";
    if (rangeText.substr(0, unit.size()) != unit)
        return whole;
    rangeText = HttpText::trim(rangeText.substr(unit.size()));
    const size_t dash = rangeText.find('-');
    if (dash == std::string_view::npos || rangeText.find(',') != std::string_view::npos)
        return whole;
    const std::string_view first = HttpText::trim(rangeText.substr(0, dash));
    const std::string_view last = HttpText::trim(rangeText.substr(dash + 1));

    ByteRange range;
    range.partial = true;
    if (first.empty()) {
        // bytes=-N: the last N bytes.
        std::optional<off_t> suffix = parseOffset(last);
        if (!suffix)
            return whole;
        if (*suffix == 0 || file.size == 0) {
            range.unsatisfiable = true;
            return range;
        }
        range.length = std::min(*suffix, file.size);
        range.offset = file.size - range.length;
        return range;
    }
    std::optional<off_t> start = parseOffset(first);
    std::optional<off_t> end = last.empty() ? start : parseOffset(last);
    if (!start || !end || *end < *start)
        return whole;
    if (last.empty())
        end = file.size - 1;
    if (*start >= file.size) {
        range.unsatisfiable = true;
        return range;
    }
    range.offset = *start;
    range.length = std::min(*end, file.size - 1) - *start + 1;
    return range;
}

std::string ByteRange::contentRangeHeader(off_t fileSize) const
{
    if (unsatisfiable)
        return "Content-Range: bytes */" + std::to_string(fileSize) + "\r\n";
    if (!partial)
        return {};
    return "Content-Range: bytes " + std::to_string(offset) + "-" + std::to_string(offset + length - 1) + "/"
        + std::to_string(fileSize) + "\r\n";
}
