#include "PropertyNames.h"

namespace ed::names {

const du::Symbol kDocument("document");
const du::Symbol kDrawing("drawing");
const du::Symbol kEcad("ecad");
const du::Symbol kEcadSchematic("ecad_schematic");
const du::Symbol kEcadPcb("ecad_pcb");
const du::Symbol kIllustration("illustration");
const du::Symbol kIllustration3d("illustration3d");
const du::Symbol kImage("image");
const du::Symbol kOleDoc("oledoc");
const du::Symbol kFile("file");

const du::Symbol kHtmlDoc("htmldoc");
const du::Symbol kShapeType("shapetype");

const du::Symbol kView("view");
const du::Symbol kModelViewState("__kx_modelviewstate");
const du::Symbol kModelExplodeState("__kx_modelexplodestate");
const du::Symbol kModelAlternateRep("__kx_modelalternaterep");
const du::Symbol kModelSectionCut("__kx_modelsectioncut");
const du::Symbol kModelLayerGroup("__kx_modellayergroup");

const du::Symbol kLengthUnit("length_unit");
const du::Symbol kLocation("location");
const du::Symbol kColor("color");
const du::Symbol kKxCid("kxCid");
const du::Symbol kShapeSource("shapesource");
const du::Symbol kBBox("bbox");
const du::Symbol kModelThumbnail("__kx_modelthumbnail");
const du::Symbol kShapeSourceIndex("__kx_shapesource_index");
const du::Symbol kRenderEnable("renderenable");

}  // namespace ed::names
