#include "TreeText.h"

#include <cmath>
#include <cstdio>

#include "kxk/EcadSource.h"

namespace edload::text {

namespace {

std::string Triple(double x, double y, double z) {
    return "(" + Number(x) + ", " + Number(y) + ", " + Number(z) + ")";
}

const char* EcadKind(const kxk::ViewableSource& source) {
    const auto* ecad = dynamic_cast<const kxk::EcadSource*>(&source);
    if (!ecad) return "";
    switch (ecad->GetEcadType()) {
        case kxk::EcadSource::ECAD_SCHEMATIC:
            return " schematic";
        case kxk::EcadSource::ECAD_PCB:
            return " pcb";
        default:
            return " generic";
    }
}

}  // namespace

// Six decimals and no exponent: a person reads a rotation's 4.37114e-08 or a -0 as the 0 it is meant
// to be. Trailing zeros go, so whole numbers stay short.
std::string Number(double value) {
    if (!std::isfinite(value)) return std::to_string(value);
    char buffer[400];  // the largest double written out in full
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    std::string text = buffer;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string Placement(const dg::Location& location) {
    const dg::DPoint3D& t = location.GetTranslation();
    const dg::Quaternion<float>& r = location.GetRotation();
    return "t=" + Triple(t.x, t.y, t.z) + " m  r=(" + Number(r.x()) + ", " + Number(r.y()) + ", " +
           Number(r.z()) + ", " + Number(r.w()) + ")  s=" + Number(location.GetScale());
}

std::string Colour(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque) {
    std::string text = "(none)";
    if (appearance) {
        const dg::Color& c = appearance->GetColor();
        text = "(" + Number(c.r) + ", " + Number(c.g) + ", " + Number(c.b) + ", " + Number(c.a) + ")";
    }
    return opaque ? text + " opaque" : text;
}

std::string Visibility(int visibility) {
    switch (visibility) {
        case 0:
            return "shown";
        case 3:
            return "hidden";
        default:
            return std::to_string(visibility);
    }
}

std::string Shape(const kxk::ShapeSource& source) {
    std::string text = source.GetSource().safe_c_str();
    const dg::FBox& box = source.GetBox();
    if (box != dg::FBox::EMPTY)
        text += "  box " + Triple(box.min.x, box.min.y, box.min.z) + ".." +
                Triple(box.max.x, box.max.y, box.max.z);
    if (source.GetIndex() != 0) text += "  index " + std::to_string(source.GetIndex());
    return text;
}

std::string Viewable(const kxk::ViewableSource& source) {
    std::string text =
        std::string(source.GetFamilyName()) + EcadKind(source) + " " + source.GetFileName().safe_c_str();
    if (source.GetDisplayName().has_text()) text += " (" + std::string(source.GetDisplayName()) + ")";
    return text;
}

std::string Duration(double seconds) {
    char buffer[32];
    if (seconds < 1)
        std::snprintf(buffer, sizeof buffer, "%.3g ms", seconds * 1000);
    else
        std::snprintf(buffer, sizeof buffer, "%.3g s", seconds);
    return buffer;
}

}  // namespace edload::text
