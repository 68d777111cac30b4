#include "BuilderValues.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "NumberScan.h"
#include "dg/LengthUnit.h"
#include "dg/Point3D.h"

namespace ed {

namespace {

// Degrees to radians as the single-precision constant the format has always used.
constexpr float kRadiansPerDegree = 0.017453292f;

bool AtLeastTwoCharacters(const char* text) {
    return text[0] != '\0' && text[1] != '\0';
}

float MetersPerUnit(dg::LengthUnit::Code code) {
    return static_cast<float>(dg::LengthUnit::ToMeters(code, 1.0, 1));
}

// A bbox unit word is known by its beginning only, so "MM" (and any word starting with M) is metres.
dg::LengthUnit::Code BoxUnit(const char* rest) {
    while (std::isspace(static_cast<unsigned char>(*rest))) ++rest;
    if (rest[0] == 'M') return dg::LengthUnit::METER;
    if (std::strncmp(rest, "INCH", 4) == 0) return dg::LengthUnit::INCH;
    if (std::strncmp(rest, "CM", 2) == 0) return dg::LengthUnit::CENTIMETER;
    return dg::LengthUnit::MILLIMETER;
}

// Each reader below first tries NumberScan, which reads plain decimals exactly as sscanf does, and
// hands anything else to sscanf itself.
enum class Parsed { kRejected, kAccepted, kNotPlain };

struct LocationText {
    dg::FVec3 angles;
    dg::DVec3 translation;
    float scale = 1;
};

// The three stages of a location: angles, then a translation only when at least two characters
// follow, then a scale only when at least two characters follow the translation.
Parsed ReadLocationPlain(const char* text, LocationText& out) {
    NumberScan scan(text);
    if (!scan.Next(out.angles.x) || !scan.Next(out.angles.y) || !scan.Next(out.angles.z))
        return Parsed::kNotPlain;
    if (!AtLeastTwoCharacters(scan.Cursor())) return Parsed::kAccepted;
    if (!scan.Next(out.translation.x) || !scan.Next(out.translation.y) || !scan.Next(out.translation.z))
        return Parsed::kNotPlain;
    if (AtLeastTwoCharacters(scan.Cursor()) && !scan.Next(out.scale)) return Parsed::kNotPlain;
    return Parsed::kAccepted;
}

Parsed ReadLocationScanf(const char* text, LocationText& out) {
    int consumed = 0;
    if (std::sscanf(text, " %f %f %f%n", &out.angles.x, &out.angles.y, &out.angles.z, &consumed) < 3)
        return Parsed::kRejected;
    const char* rest = text + consumed;
    // A single trailing character (typically a blank) is not taken for a translation.
    if (!AtLeastTwoCharacters(rest)) return Parsed::kAccepted;
    consumed = 0;
    dg::DVec3& t = out.translation;
    if (std::sscanf(rest, " %lf %lf %lf%n", &t.x, &t.y, &t.z, &consumed) < 3) return Parsed::kRejected;
    rest += consumed;
    if (AtLeastTwoCharacters(rest) && std::sscanf(rest, " %f", &out.scale) != 1) return Parsed::kRejected;
    return Parsed::kAccepted;
}

// The count " %f %f %f %f" would give, or -1 when the text is not plain.
int ReadColorPlain(const char* text, float& r, float& g, float& b, float& a) {
    NumberScan scan(text);
    if (!scan.Next(r) || !scan.Next(g) || !scan.Next(b)) return -1;
    if (scan.AtEnd()) return 3;
    return scan.Next(a) ? 4 : -1;
}

// What the "%n" after six numbers would give, or -1 when the text is not plain.
int ReadBoxPlain(const char* text, dg::FVec3& lo, dg::FVec3& hi) {
    NumberScan scan(text);
    if (!scan.Next(lo.x) || !scan.Next(lo.y) || !scan.Next(lo.z) || !scan.Next(hi.x) || !scan.Next(hi.y) ||
        !scan.Next(hi.z))
        return -1;
    return scan.Consumed();
}

// A location, a colour and a box are read in two steps: the text alone, then what it gave applied
// to the node's settings.
struct LocationValue {
    bool identity = false;  // no translation, no rotation, scale 1: nothing to place
    dg::DVec3 translation;  // in the parent's unit
    dg::Quaternion<float> rotation;
    float scale = 1;
};

struct ColorValue {
    dg::Color color;
    bool opaque = false;
};

// The rotation about X by angles.x, then Y, then Z (fixed axes, radians), in single precision with a
// scalar part that is never negative.
dg::Quaternion<float> RotationFromAngles(const dg::FVec3& radians) {
    const float a = radians.x / 2, b = radians.y / 2, c = radians.z / 2;
    const float sa = std::sin(a), ca = std::cos(a);
    const float sb = std::sin(b), cb = std::cos(b);
    const float sc = std::sin(c), cc = std::cos(c);
    float x = cc * cb * sa - sc * sb * ca;
    float y = cc * sb * ca + sc * cb * sa;
    float z = sc * cb * ca - cc * sb * sa;
    float w = cc * cb * ca + sc * sb * sa;
    if (w < 0) {
        x = -x;
        y = -y;
        z = -z;
        w = -w;
    }
    return dg::Quaternion<float>(x, y, z, w);
}

bool ParseLocation(const char* text, LocationValue& value) {
    LocationText read;
    Parsed parsed = ReadLocationPlain(text, read);
    if (parsed == Parsed::kNotPlain) parsed = ReadLocationScanf(text, read);
    if (parsed == Parsed::kRejected) return false;
    if (read.scale == 0) read.scale = 1;
    const dg::DVec3& translation = read.translation;
    dg::FVec3& angles = read.angles;
    const dg::DPoint3D asRead(translation.x, translation.y, translation.z);
    value.identity = asRead == dg::DPoint3D::ORIGIN && angles == dg::FVec3::ZERO && read.scale == 1;
    if (value.identity) return true;
    value.translation = translation;
    angles *= kRadiansPerDegree;
    value.rotation = RotationFromAngles(angles);
    value.scale = read.scale;
    return true;
}

void ApplyLocation(const LocationValue& value, float parentUnitFactor, NodeSettings& settings) {
    settings.locationGiven = true;
    if (value.identity) return;
    dg::DVec3 translation = value.translation;
    if (parentUnitFactor != 1) translation *= static_cast<double>(parentUnitFactor);
    settings.location.Set(dg::DPoint3D(translation.x, translation.y, translation.z), value.rotation,
                          value.scale);
    settings.locationSet = true;
}

bool ParseColor(const char* text, ColorValue& value) {
    float r, g, b, a;
    int read = ReadColorPlain(text, r, g, b, a);
    if (read < 0) read = std::sscanf(text, " %f %f %f %f", &r, &g, &b, &a);
    if (read < 3) return false;
    value.color.Set(r, g, b, 1);
    value.opaque = false;
    // The alpha number is only a switch: exactly 1 makes the override opaque, anything below 1 makes
    // it translucent at a fixed 0.25, anything above is ignored.
    if (read == 4) {
        if (a == 1)
            value.opaque = true;
        else if (a < 1)
            value.color.a = 0.25f;
    }
    return true;
}

void ApplyColor(const ColorValue& value, NodeSettings& settings) {
    settings.color = value.color;
    if (value.opaque) settings.opaque = true;
    settings.colorGiven = true;
}

bool ParseBBox(const char* text, dg::FBox& box) {
    dg::FVec3 lo, hi;
    int consumed = ReadBoxPlain(text, lo, hi);
    if (consumed < 0) {
        consumed = 0;
        if (std::sscanf(text, " %f %f %f %f %f %f%n", &lo.x, &lo.y, &lo.z, &hi.x, &hi.y, &hi.z, &consumed) <
            6)
            return false;
    }
    const double factor = dg::LengthUnit::ToMeters(BoxUnit(text + consumed), 1.0, 1);
    // The box's points are single precision, and so is their scaling: the factor is narrowed first,
    // as for the unit factor of a translation (10 mm gives 10 * 0.001f, not the float nearest 0.01).
    if (factor != 1) {
        lo *= static_cast<float>(factor);
        hi *= static_cast<float>(factor);
    }
    box.min.Set(lo.x, lo.y, lo.z);
    box.max.Set(hi.x, hi.y, hi.z);
    return true;
}

void ApplyBBox(const dg::FBox& box, NodeSettings& settings) {
    settings.box = box;
    settings.boxGiven = true;
}

}  // namespace

bool ReadLengthUnit(const char* text, NodeSettings& settings) {
    static const struct {
        const char* word;
        dg::LengthUnit::Code code;
    } kUnits[] = {{"M", dg::LengthUnit::METER},
                  {"MM", dg::LengthUnit::MILLIMETER},
                  {"CM", dg::LengthUnit::CENTIMETER},
                  {"INCH", dg::LengthUnit::INCH}};
    for (const auto& unit : kUnits) {
        if (std::strcmp(text, unit.word) == 0) {
            settings.unitFactor = MetersPerUnit(unit.code);
            return true;
        }
    }
    return false;
}

bool ReadLocation(const char* text, float parentUnitFactor, NodeSettings& settings) {
    LocationValue value;
    if (!ParseLocation(text, value)) return false;
    ApplyLocation(value, parentUnitFactor, settings);
    return true;
}

bool ReadColor(const char* text, NodeSettings& settings) {
    ColorValue value;
    if (!ParseColor(text, value)) return false;
    ApplyColor(value, settings);
    return true;
}

bool ReadBBox(const char* text, NodeSettings& settings) {
    dg::FBox box;
    if (!ParseBBox(text, box)) return false;
    ApplyBBox(box, settings);
    return true;
}

bool ReadShapeSourceIndex(const char* text, NodeSettings& settings) {
    char* end = nullptr;
    const long index = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || index < 0) return false;
    settings.shapeSourceIndex = static_cast<unsigned>(index);
    return true;
}

bool ReadRenderEnable(const char* text, NodeSettings& settings) {
    int value;
    if (std::sscanf(text, "%d", &value) != 1) return false;
    settings.renderEnable = value;
    return true;
}

}  // namespace ed
