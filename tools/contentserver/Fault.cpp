#include "Fault.h"

#include <cstdlib>

std::optional<Fault> Fault::parse(std::string_view text)
{
    Fault fault;
    if (text == "none")
        fault.mode = Mode::None;
    else if (text == "nolength")
        fault.mode = Mode::NoLength;
    else if (text == "cut")
        fault.mode = Mode::Cut;
    else if (text == "404")
        fault.mode = Mode::NotFound;
    else if (text == "500")
        fault.mode = Mode::ServerError;
    else if (text == "stall")
        fault.mode = Mode::Stall;
    else if (text == "reset")
        fault.mode = Mode::Reset;
    else if (text == "slow")
        fault.mode = Mode::Slow;
    else if (text.substr(0, 5) == "slow:") {
        std::string digits(text.substr(5));
        char* end = nullptr;
        long rate = strtol(digits.c_str(), &end, 10);
        if (digits.empty() || *end != '\0' || rate <= 0)
            return std::nullopt;
        fault.mode = Mode::Slow;
        fault.bytesPerSecond = rate;
    } else
        return std::nullopt;
    return fault;
}
