#pragma once

#include <QString>
#include <optional>

// How every progress display turns a download's byte counts into a percent. A total of 0 gives
// no percent, and the display keeps what it showed.
class PercentRule {
public:
    static std::optional<double> percent(qint64 bytesRead, qint64 bytesMax);

    // Numeric formats of the displays: "0" (37.4 -> "37") and "00.00" (7.5 -> "07.50"),
    // rounding halves away from zero as number formatting does.
    static QString format0(double percent);
    static QString format00_00(double percent);

    // A progress bar's value: the nearest whole number, halves to the even neighbour.
    static int barValue(double percent);
};
