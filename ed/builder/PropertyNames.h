#pragma once

#include "du/Symbol.h"

// The well-known property names of the ED format. Each is one interned du::Symbol made when the library
// loads, so the builder recognises a name by symbol identity (a pointer compare) and never builds a
// string to do it. All are lower case except kKxCid. Shared read-only by every parser.
namespace ed::names {

// Viewable sources.
extern const du::Symbol kDocument;
extern const du::Symbol kDrawing;
extern const du::Symbol kEcad;
extern const du::Symbol kEcadSchematic;
extern const du::Symbol kEcadPcb;
extern const du::Symbol kIllustration;
extern const du::Symbol kIllustration3d;
extern const du::Symbol kImage;
extern const du::Symbol kOleDoc;
extern const du::Symbol kFile;

// Dropped without a trace on the node.
extern const du::Symbol kHtmlDoc;
extern const du::Symbol kShapeType;

// View points, view states and layer groups.
extern const du::Symbol kView;
extern const du::Symbol kModelViewState;
extern const du::Symbol kModelExplodeState;
extern const du::Symbol kModelAlternateRep;
extern const du::Symbol kModelSectionCut;
extern const du::Symbol kModelLayerGroup;

// Consumed by the build walk itself.
extern const du::Symbol kLengthUnit;
extern const du::Symbol kLocation;
extern const du::Symbol kColor;
extern const du::Symbol kKxCid;
extern const du::Symbol kShapeSource;
extern const du::Symbol kBBox;
extern const du::Symbol kModelThumbnail;
extern const du::Symbol kShapeSourceIndex;
extern const du::Symbol kRenderEnable;

}  // namespace ed::names
