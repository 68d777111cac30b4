#include "dg/LengthUnit.h"

#include <cmath>

namespace dg {

double LengthUnit::MetersPerUnit(Code code) {
    switch (code) {
        case CENTIMETER:
            return 0.01;
        case MILLIMETER:
            return 0.001;
        case INCH:
            return 0.0254;
        case METER:
        default:
            return 1.0;
    }
}

double LengthUnit::ToMeters(Code code, double value, int power) {
    return value * std::pow(MetersPerUnit(code), power);
}

}  // namespace dg
