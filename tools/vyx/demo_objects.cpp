//===- demo_objects.cpp - The sample object graph of vyx demo -------------===//
//
// Readers check the version byte and the stream state, so a damaged sample
// file fails with the library's exceptions instead of yielding half an
// object.
//
//===----------------------------------------------------------------------===//

#include "demo_objects.h"

#include "object_model/exceptions.h"
#include "object_model/metaclass.h"
#include "pstreams/pstream.h"

#include <cstring>

namespace vyx::tool {

namespace {

HINSTANCE ToolModule = nullptr;
constexpr unsigned char Version = 1;

void readVersion(ipstream &is, const type_info &type) {
  unsigned char version = is.readByte();
  is.checkState();
  if (version != Version)
    throw OldVersionOfClass_Exception(version, type);
}

long indexOf(const VyxDemoShapeList *list, const VyxDemoShape *shape) {
  return list && shape ? list->index_of(shape) : -1;
}

} // namespace

VYX_IMPLEMENT_CLASS(VyxDemoShape, "VyxDemoShape", &ToolModule, GStreamable)
VYX_IMPLEMENT_CLASS(VyxDemoShapeList, "VyxDemoShapeList", &ToolModule, GCollection)
VYX_IMPLEMENT_CLASS(VyxDemoScene, "VyxDemoScene", &ToolModule, GStreamable)

void VyxDemoShape::write(opstream &os) {
  os.writeByte(Version);
  os << Name << Anchor << Bounds << Link;
}

void VyxDemoShape::read(ipstream &is) {
  readVersion(is, gTypeInfo_);
  is >> Name >> Anchor >> Bounds >> Link;
  is.checkState();
}

void VyxDemoShapeList::write_item(const void *p, opstream &os) {
  os << static_cast<VyxDemoShape *>(const_cast<void *>(p));
}

void *VyxDemoShapeList::read_item(ipstream &is) {
  VyxDemoShape *shape = nullptr;
  is >> shape;
  return shape;
}

VyxDemoScene::~VyxDemoScene() { GStreamable::Destroy(Shapes); }

void VyxDemoScene::write(opstream &os) {
  os.writeByte(Version);
  os << Title << Source << Frame << Shapes << Focus;
  os.writeStreamable(Tags);
}

void VyxDemoScene::read(ipstream &is) {
  readVersion(is, gTypeInfo_);
  is >> Title >> Source >> Frame;
  GStreamable::Destroy(Shapes);
  Shapes = nullptr;
  Focus = nullptr;
  is >> Shapes >> Focus;
  is.readStreamable(Tags);
  is.checkState();
}

VyxDemoScene *MakeDemoScene() {
  struct ShapeRow {
    const char *Name;
    GPoint Anchor;
    GRect Bounds;
    int Link;
  };
  // Links point at the shape itself or at shapes before it in the list, so
  // they are written as back-references and every shape read belongs to the
  // list, also when reading stops half way.
  static const ShapeRow rows[] = {
      {"ridge", {120, 40}, {100, 20, 260, 90}, -1},
      {"valley", {300, 220}, {180, 160, 420, 300}, 0},
      {"lake", {330, 250}, {290, 230, 370, 280}, 1},
      {"forest", {60, 180}, {10, 120, 140, 260}, -1},
      {"road", {0, 300}, {0, 280, 640, 320}, 4},
      {"peak", {150, 30}, {140, 20, 160, 45}, 0},
  };
  auto *scene = new VyxDemoScene;
  scene->Title = "Alpine valley";
  scene->Source = "..\\terrain\\alps.ter";
  scene->Frame = GRect(0, 0, 639, 479);
  scene->Shapes = new VyxDemoShapeList;
  for (const ShapeRow &row : rows)
    scene->Shapes->insert(new VyxDemoShape(row.Name, row.Anchor, row.Bounds));
  long n = scene->Shapes->getCount();
  for (long i = 0; i < n; ++i)
    if (rows[i].Link >= 0)
      scene->Shapes->at(i)->Link = scene->Shapes->at(rows[i].Link);
  scene->Focus = scene->Shapes->at(2);
  for (const char *tag : {"water", "rock", "snow"}) {
    char *copy = new char[std::strlen(tag) + 1];
    std::strcpy(copy, tag);
    scene->Tags.insert(copy);
  }
  return scene;
}

std::string DifferenceOf(const VyxDemoScene &a, const VyxDemoScene &b) {
  if (a.Title != b.Title)
    return "title";
  if (a.Source != b.Source)
    return "source file name";
  if (a.Frame != b.Frame)
    return "frame";
  if (!a.Shapes || !b.Shapes)
    return a.Shapes == b.Shapes ? "" : "shape list";
  long n = a.Shapes->getCount();
  if (n != b.Shapes->getCount())
    return "number of shapes";
  for (long i = 0; i < n; ++i) {
    const VyxDemoShape *x = a.Shapes->at(i), *y = b.Shapes->at(i);
    if (!x || !y || x->Name != y->Name || x->Anchor != y->Anchor || x->Bounds != y->Bounds)
      return "shape " + std::to_string(i);
    if (indexOf(a.Shapes, x->Link) != indexOf(b.Shapes, y->Link))
      return "link of shape " + std::to_string(i);
  }
  if (indexOf(a.Shapes, a.Focus) != indexOf(b.Shapes, b.Focus))
    return "focus";
  if (a.Tags.getCount() != b.Tags.getCount())
    return "number of tags";
  for (long i = 0; i < a.Tags.getCount(); ++i)
    if (std::strcmp(a.Tags.at(i), b.Tags.at(i)) != 0)
      return "tag " + std::to_string(i);
  return "";
}

} // namespace vyx::tool
