//===- demo_objects.h - The sample object graph of vyx demo -----*- C++ -*-===//
//
// A small scene as the landscape application might store one: a title, the
// file it came from, a frame, an owned list of shapes that point at each
// other (shared pointers, written once and then referred to by number), the
// shape in focus (a pointer into the list) and a set of tags written by
// value.
//
// Stored forms (each begins with a version byte 1):
//   VyxDemoShape       name, anchor (GPoint), bounds (GRect), link (pointer)
//   VyxDemoShapeList   a collection whose items are shape pointers
//   VyxDemoScene       title, source (GFile), frame (GRect), shapes
//                      (pointer), focus (pointer), tags (GStringCollection
//                      record by value)
//
//===----------------------------------------------------------------------===//
#ifndef VYX_TOOLS_DEMO_OBJECTS_H
#define VYX_TOOLS_DEMO_OBJECTS_H

#include "containers/point_rect.h"
#include "containers/sorted_collection.h"
#include "containers/tgcollection.h"
#include "io/gfile.h"
#include "pstreams/streamable.h"
#include "strings/gstring.h"

#include <string>

namespace vyx::tool {

/// A named shape with an anchor point, bounds and a link to another shape
/// (not owned).
class VyxDemoShape : public GStreamable {
  VYX_DECLARE_CLASS(VyxDemoShape);
  VyxDemoShape() = default;
  VyxDemoShape(const char *name, GPoint anchor, GRect bounds)
      : Name(name), Anchor(anchor), Bounds(bounds) {}
  void read(ipstream &is) override;
  void write(opstream &os) override;

  GString Name;
  GPoint Anchor;
  GRect Bounds;
  VyxDemoShape *Link = nullptr;
};

/// An owning list of shapes, streamed as shape pointers.
class VyxDemoShapeList : public TGCollection<VyxDemoShape> {
  VYX_DECLARE_CLASS(VyxDemoShapeList);
  VyxDemoShapeList() = default;

protected:
  void write_item(const void *p, opstream &os) override;
  void *read_item(ipstream &is) override;
};

/// The scene: owns its shape list.
class VyxDemoScene : public GStreamable {
  VYX_DECLARE_CLASS(VyxDemoScene);
  VyxDemoScene() = default;
  VyxDemoScene(const VyxDemoScene &) = delete;
  VyxDemoScene &operator=(const VyxDemoScene &) = delete;
  ~VyxDemoScene() override;
  void read(ipstream &is) override;
  void write(opstream &os) override;

  GString Title;
  GFile Source;
  GRect Frame;
  VyxDemoShapeList *Shapes = nullptr;
  VyxDemoShape *Focus = nullptr;
  GStringCollection Tags;
};

/// The sample scene of the demo (the caller owns it).
VyxDemoScene *MakeDemoScene();

/// Empty when the scenes hold the same values and the same pointer
/// structure (links and focus at the same places); otherwise the first
/// difference.
std::string DifferenceOf(const VyxDemoScene &a, const VyxDemoScene &b);

} // namespace vyx::tool

#endif // VYX_TOOLS_DEMO_OBJECTS_H
