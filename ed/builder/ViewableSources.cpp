#include "ViewableSources.h"

#include "PropertyNames.h"
#include "ed/reader/Parser.h"
#include "kxk/ComponentNode.h"
#include "kxk/DataSource.h"
#include "kxk/DocumentSource.h"
#include "kxk/DrawingSource.h"
#include "kxk/EcadSource.h"
#include "kxk/Illustration3dSource.h"
#include "kxk/IllustrationSource.h"
#include "kxk/ImageSource.h"
#include "kxk/OLESource.h"

namespace ed {

namespace {

using ViewablePtr = du::SmartPtr<kxk::ViewableSource>;
using NodePtr = du::SmartPtr<kxk::ComponentNode>;
// Makes one source of a family; empty when the host made none.
using MakeSource = ViewablePtr (*)(const du::Symbol& fileName, const du::Symbol& displayName,
                                   const NodePtr& node);

// The host's 8-bit flag, always 0 for sources read from an ED file.
constexpr uint8_t kSourceFlag = 0;

template <class Source>
ViewablePtr MakePlain(const du::Symbol& fileName, const du::Symbol& displayName, const NodePtr&) {
    du::SmartPtr<Source> source;
    Source::Create(source, fileName, displayName, kSourceFlag);
    return source;
}

ViewablePtr MakeDrawing(const du::Symbol& fileName, const du::Symbol& displayName, const NodePtr&) {
    du::SmartPtr<kxk::DrawingSource> source;
    kxk::DrawingSource::Create(source, fileName, displayName, kSourceFlag, false, false, nullptr);
    return source;
}

template <kxk::EcadSource::EcadType type>
ViewablePtr MakeEcad(const du::Symbol& fileName, const du::Symbol& displayName, const NodePtr&) {
    du::SmartPtr<kxk::EcadSource> source;
    kxk::EcadSource::Create(source, fileName, displayName, kSourceFlag, type, du::Symbol::EMPTY);
    return source;
}

ViewablePtr MakeIllustration3d(const du::Symbol& fileName, const du::Symbol& displayName,
                               const NodePtr& node) {
    du::SmartPtr<kxk::Illustration3dSource> source;
    kxk::Illustration3dSource::Create(source, fileName, displayName, kSourceFlag, node);
    return source;
}

struct Family {
    const du::Symbol& name;
    MakeSource make;
};

const Family kFamilies[] = {
    {names::kDocument, &MakePlain<kxk::DocumentSource>},
    {names::kDrawing, &MakeDrawing},
    {names::kEcad, &MakeEcad<kxk::EcadSource::ECAD_GENERIC>},
    {names::kEcadSchematic, &MakeEcad<kxk::EcadSource::ECAD_SCHEMATIC>},
    {names::kEcadPcb, &MakeEcad<kxk::EcadSource::ECAD_PCB>},
    {names::kIllustration, &MakePlain<kxk::IllustrationSource>},
    {names::kIllustration3d, &MakeIllustration3d},
    {names::kImage, &MakePlain<kxk::ImageSource>},
    {names::kOleDoc, &MakePlain<kxk::OLESource>},
    {names::kFile, &MakePlain<kxk::DataSource>},
};

MakeSource FactoryFor(const du::Symbol& lowerName) {
    for (const Family& family : kFamilies) {
        if (lowerName == family.name) return family.make;
    }
    return nullptr;
}

}  // namespace

bool IsViewableSourceName(const du::Symbol& lowerName) {
    return FactoryFor(lowerName) != nullptr;
}

void AddViewableSources(const PropertyInfo& property, const NodePtr& componentNode) {
    const MakeSource make = FactoryFor(property.LowerName());
    if (!make) return;
    for (const du::Symbol& value : property.values) {
        if (value.is_null()) continue;
        const du::Symbol displayName = Parser::GetDisplayName(value);
        const du::Symbol fileName = Parser::GetFileName(value);
        const ViewablePtr source = make(fileName, displayName, componentNode);
        if (source) componentNode->AddViewableSource(source);
    }
}

}  // namespace ed
