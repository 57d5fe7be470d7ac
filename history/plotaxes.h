#pragma once

#include <QtGlobal>

// Round steps for the plot's axes.
namespace plotaxes {

// From low to high (0 always among them) in steps of 1, 2 or 5 times a power of ten, at most about maxSteps.
struct ValueAxis
{
    double low = -1;
    double high = 1;
    double step = 1;
};
ValueAxis valueAxis(double low, double high, int maxSteps);

// Ticks at round local times (whole minutes, hours or days), at least minSpacing pixels apart.
struct TimeAxis
{
    qint64 firstMs = 0;
    qint64 stepMs = 60000;
    bool days = false; // labelled by date rather than time of day
};
TimeAxis timeAxis(qint64 fromMs, qint64 toMs, int width, int minSpacing, qint64 utcOffsetMs);

} // namespace plotaxes
