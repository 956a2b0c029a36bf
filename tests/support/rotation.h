// Reference rotations for tests, computed in double precision.
#ifndef DUCKVIEW_TESTS_ROTATION_H
#define DUCKVIEW_TESTS_ROTATION_H

#include <cmath>
#include <vector>

// Rotation by `degrees` about an axis (normalised here), column-major,
// counter-clockwise looking from the axis tip towards the origin.
inline std::vector<double> Rotation(double degrees, double ax, double ay, double az)
{
    double n = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= n;
    ay /= n;
    az /= n;
    double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {t * ax * ax + c,      t * ax * ay + s * az, t * ax * az - s * ay, 0,
            t * ax * ay - s * az, t * ay * ay + c,      t * ay * az + s * ax, 0,
            t * ax * az + s * ay, t * ay * az - s * ax, t * az * az + c,      0,
            0,                    0,                    0,                    1};
}

#endif // DUCKVIEW_TESTS_ROTATION_H
