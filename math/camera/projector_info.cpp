//===- projector_info.cpp - What a Projector is configured from -----------===//
//
// Stream forms read here, by the version byte v that starts them:
//   v = 0   CameraParameters_Info, then the resolution as two unsigned 16-bit
//           words (the old point form); the viewport is the record's
//           convert_to_viewport_info at that resolution
//   v = 1   GViewportInfo, then the resolution in the old point form
//   v = 2   GViewportInfo, then the resolution as a GPoint
//   v >= 3  GViewportInfo, then a GRect of origin and resolution
// The resolution origin is (0, 0) unless the GRect form gives it. The record
// is read into a local and taken over only when all of it arrived.
//
//===----------------------------------------------------------------------===//
#include "camera/projector_info.h"

#include "camera/camera_parameters_info.h"
#include "pstreams/pstream.h"

GRect ProjectorInfo::getResolutionRect() const {
  GRect rect;
  rect.move_origin(Origin);
  rect.Size(Resolution);
  return rect;
}

opstream &operator<<(opstream &os, const ProjectorInfo &p) {
  os.writeByte(3);
  return os << p.getViewportInfo() << p.getResolutionRect();
}

ipstream &operator>>(ipstream &is, ProjectorInfo &p) {
  unsigned char version = is.readByte();
  vyx::ReadCheck(is);
  ProjectorInfo read;
  GViewportInfo viewport;
  GPoint resolution;
  switch (version) {
  case 0: {
    CameraParameters_Info camera;
    is >> camera;
    resolution.read_old(is);
    read = ProjectorInfo(camera.convert_to_viewport_info(resolution), resolution);
    break;
  }
  case 1:
    is >> viewport;
    resolution.read_old(is);
    read = ProjectorInfo(viewport, resolution);
    break;
  case 2:
    is >> viewport >> resolution;
    read = ProjectorInfo(viewport, resolution);
    break;
  default: {
    GRect rect;
    is >> viewport >> rect;
    read = ProjectorInfo(viewport, rect);
    break;
  }
  }
  p = read;
  return is;
}
