#include "Fault.h"

#include <cstdlib>

namespace {
// A whole number above zero, all of TEXT.
std::optional<long> positiveNumber(std::string_view text)
{
    std::string digits(text);
    char* end = nullptr;
    const long number = strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || number <= 0)
        return std::nullopt;
    return number;
}

// "N" or "N:TEXT" after a mode's colon; an empty TEXT keeps the default filler.
bool parseSizeAndText(std::string_view rest, Fault& fault)
{
    const size_t colon = rest.find(':');
    std::string digits(rest.substr(0, colon));
    char* end = nullptr;
    const long long size = strtoll(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || size < 0)
        return false;
    fault.size = size;
    if (colon != std::string_view::npos && colon + 1 < rest.size())
        fault.text = std::string(rest.substr(colon + 1));
    return true;
}
} // namespace

bool Fault::replacesFile() const
{
    return mode == Mode::Silent || mode == Mode::Endless || mode == Mode::Chunked || mode == Mode::Body;
}

std::optional<Fault> Fault::parse(std::string_view text)
{
    Fault fault;
    if (text == "norange") {
        fault.ignoresRange = true;
        return fault;
    }
    constexpr std::string_view noRangeSuffix = "+norange";
    if (text.size() > noRangeSuffix.size() && text.substr(text.size() - noRangeSuffix.size()) == noRangeSuffix) {
        fault.ignoresRange = true;
        text.remove_suffix(noRangeSuffix.size());
    }
    const std::string_view name = text.substr(0, text.find(':'));
    const bool hasArgument = name.size() < text.size();
    const std::string_view argument = hasArgument ? text.substr(name.size() + 1) : std::string_view();
    if (name == "endless" || name == "chunked") {
        fault.mode = name == "endless" ? Mode::Endless : Mode::Chunked;
        if (!argument.empty())
            fault.text = std::string(argument);
        return fault;
    }
    if (name == "body") {
        if (!hasArgument || !parseSizeAndText(argument, fault))
            return std::nullopt;
        fault.mode = Mode::Body;
        return fault;
    }
    if (name == "cut" || name == "stall" || name == "reset") {
        fault.mode = name == "cut" ? Mode::Cut : name == "stall" ? Mode::Stall : Mode::Reset;
        if (hasArgument) {
            const std::optional<long> times = positiveNumber(argument);
            if (!times)
                return std::nullopt;
            fault.times = *times;
        }
        return fault;
    }
    if (text == "none")
        fault.mode = Mode::None;
    else if (text == "nolength")
        fault.mode = Mode::NoLength;
    else if (text == "404")
        fault.mode = Mode::NotFound;
    else if (text == "500")
        fault.mode = Mode::ServerError;
    else if (text == "silent")
        fault.mode = Mode::Silent;
    else if (text == "slow")
        fault.mode = Mode::Slow;
    else if (name == "slow" && hasArgument) {
        const std::optional<long> rate = positiveNumber(argument);
        if (!rate)
            return std::nullopt;
        fault.mode = Mode::Slow;
        fault.bytesPerSecond = *rate;
    } else
        return std::nullopt;
    return fault;
}
