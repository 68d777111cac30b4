#include "ViewInterpreters.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "NumberScan.h"
#include "PropertyNames.h"
#include "dg/Matrix44.h"
#include "dg/Quaternion.h"
#include "ed/reader/Records.h"
#include "ed/reader/ScanInt.h"
#include "kxk/ComponentNode.h"
#include "kxk/LayerGroup.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"

namespace ed {

namespace {

using NodePtr = du::SmartPtr<kxk::ComponentNode>;

// The quiet NaN that stands for an orientation of a rotation with no length.
float QuietNaN() {
    const uint32_t bits = 0x7FC00000u;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The camera orientation is the inverse of the matrix's rotation: its normalised conjugate.
dg::Quaternion<float> Orientation(const dg::Quaternion<float>& q) {
    const float length = std::sqrt(q.q1 * q.q1 + q.q0 * q.q0 + q.q2 * q.q2 + q.q3 * q.q3);
    if (length == 0) {
        const float nan = QuietNaN();
        return dg::Quaternion<float>(nan, nan, nan, nan);
    }
    return dg::Quaternion<float>(-q.q0 / length, -q.q1 / length, -q.q2 / length, q.q3 / length);
}

// What the "%n" after sixteen numbers would give, or -1 when the text is not plain (NumberScan).
int ReadMatrixPlain(const char* text, float* m) {
    NumberScan scan(text);
    for (int i = 0; i < 16; ++i)
        if (!scan.Next(m[i])) return -1;
    return scan.Consumed();
}

// Sixteen matrix elements in storage order, then the name after the white space that follows them.
bool ReadViewPoint(const du::Symbol& value, dg::Quaternion<float>& orientation, du::Symbol& name) {
    if (value.is_null()) return false;
    dg::FMat44 matrix;
    float* m = matrix.m;
    int consumed = ReadMatrixPlain(value.c_str(), m);
    if (consumed < 0) {
        consumed = 0;
        const int read = std::sscanf(value.c_str(), "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f%n",
                                     &m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &m[6], &m[7], &m[8], &m[9],
                                     &m[10], &m[11], &m[12], &m[13], &m[14], &m[15], &consumed);
        if (read != 16) return false;
    }
    dg::FPoint3D translation;
    dg::Quaternion<float> rotation;
    dg::FVec3 scale;
    if (!matrix.GetDecomposition(translation, rotation, scale)) return false;
    orientation = Orientation(rotation);
    const char* rest = value.c_str() + consumed;
    while (std::isspace(static_cast<unsigned char>(*rest))) ++rest;
    name = du::Symbol(rest);
    return true;
}

kxk::ViewStateSource::VIEWSTATESOURCE_TYPE ViewStateType(const du::Symbol& lowerName) {
    if (lowerName == names::kModelExplodeState) return kxk::ViewStateSource::EXPLODE_STATE;
    if (lowerName == names::kModelAlternateRep) return kxk::ViewStateSource::ALTERNATE_REP;
    if (lowerName == names::kModelSectionCut) return kxk::ViewStateSource::SECTION_CUT;
    return kxk::ViewStateSource::VIEW_STATE;
}

const char* SkipSpaces(const char* text) {
    while (*text == ' ') ++text;
    return text;
}

// Group name up to the first space; every further space ends one member, so doubled and trailing
// spaces give empty members.
void SplitLayerGroup(const du::Symbol& value, du::Symbol& group, std::vector<du::Symbol>& members) {
    size_t space = value.find(' ');
    if (space == du::Symbol::npos) {
        group = value;
        return;
    }
    const char* text = value.c_str();
    group = du::Symbol(text, space);
    size_t start = space + 1;
    while ((space = value.find(' ', start)) != du::Symbol::npos) {
        members.emplace_back(text + start, space - start);
        start = space + 1;
    }
    members.emplace_back(text + start);
}

}  // namespace

bool AddViewPoints(const PropertyInfo& property, const NodePtr& componentNode) {
    bool parsed = false;
    for (const du::Symbol& value : property.values) {
        dg::Quaternion<float> orientation;
        du::Symbol name;
        if (!ReadViewPoint(value, orientation, name)) {
            if (!parsed) return false;
            continue;
        }
        parsed = true;
        du::SmartPtr<kxk::ViewPoint> viewPoint;
        if (kxk::ViewPoint::Create(viewPoint, name, orientation)) componentNode->AddViewPoint(viewPoint);
    }
    return parsed;
}

bool IsViewStateName(const du::Symbol& lowerName) {
    return lowerName == names::kModelViewState || lowerName == names::kModelExplodeState ||
           lowerName == names::kModelAlternateRep || lowerName == names::kModelSectionCut;
}

// A tail with no space at all is taken as the first word alone, with an empty second part.
void AddViewStateSources(const PropertyInfo& property, const NodePtr& componentNode) {
    const kxk::ViewStateSource::VIEWSTATESOURCE_TYPE type = ViewStateType(property.LowerName());
    for (const du::Symbol& value : property.values) {
        if (value.is_null()) break;
        const char* cursor = value.c_str();
        const unsigned number = static_cast<unsigned>(ScanInt(cursor));
        const char* tail = SkipSpaces(cursor);
        const char* space = std::strchr(tail, ' ');
        const du::Symbol first =
            space ? du::Symbol(tail, static_cast<size_t>(space - tail)) : du::Symbol(tail);
        const du::Symbol second = space ? du::Symbol(SkipSpaces(space)) : du::Symbol::EMPTY;
        du::SmartPtr<kxk::ViewStateSource> source;
        kxk::ViewStateSource::Create(source, componentNode.get(), second, type, first, number);
        // Nothing to hand to the node when the host made no source.
        if (source) componentNode->AddViewStateSource(source);
    }
}

void AddLayerGroups(const PropertyInfo& property, const NodePtr& componentNode) {
    for (const du::Symbol& value : property.values) {
        if (value.is_null()) return;
        du::Symbol group;
        std::vector<du::Symbol> members;
        SplitLayerGroup(value, group, members);
        du::SmartPtr<kxk::LayerGroup> layerGroup;
        kxk::LayerGroup::Create(layerGroup, group, members);
        if (layerGroup) componentNode->AddLayerGroup(layerGroup);
    }
}

}  // namespace ed
