//===- base_messages.cpp - VYX_BASE's table of numbered texts ------------===//
//
// The library's message table, reached through its module handle
// vyx::BaseModuleHandle. The library registers no string loader of its own:
// an application that wants these texts behind GString::loadString(id) (and
// so in exception messages) registers GBaseMessageLoader once.
//
//===----------------------------------------------------------------------===//

#include "object_model/exceptions.h"
#include "platform/module_handle.h"

#include <iterator>

namespace {

/// Sorted by id, as module tables are. Texts holding '|' are segmented: a
/// user keeps one segment (GString::segmentExcluding).
constexpr vyx::NumberedText BaseTexts[] = {
    {1, "Out of memory"},
    {2, "GCollection : index (%li) is out of range (%li-%li)"},
    {3, "Class with name '%s' already exists"},
    {4, "Can't find object with index=%lu. Class= %s. Position=%li"},
    {5, "Invalid pointer stream marker = %i . Position=%li"},
    {6, "Invalid prefix in stream. Position=%li"},
    {7, "Unknown streamable class '%s'"},
    {8, "Invalid suffix in stream. Position=%li. Class=%s"},
    {9, "Abstract class = %s"},
    {10, "Unsupported old prefix in stream"},
    {11, "Unsupported old version '%u' of class '%s'"},
    {12, "Can't read class '%s' as '%s'. Position=%li"},
    {13, "GFile : invalid index"},
    {14, "Write error|Read error|End of file reached|Unrecognized read/write error"},
    {15, "TGVector : index (%li) is out of range (%li-%li)"},
    {16, "File %s not found"},
    {17, "Invalid file format"},
    {18, "Unsupported CEL format"},
    {19, "Normal to plane has zero length"},
    {20, "Invalid Matrix sizes"},
    {21, "Matrices are not multiplyable"},
    {22, "Not square matrix"},
    {23, "Singular FMatrix"},
    {24, "Different sizes in Matrix"},
    {25, "Matrix : index (%li) is out of range (%li-%li)"},
    {26, "Vector in focus"},
    {27, "Singular Matrix2D"},
    {28, "Singular Matrix3D"},
    {29, "Vector in focus!\nVector=%lf %lf %lf\nMatrix=\n%lf %lf %lf %lf\n%lf %lf %lf %lf\n"
         "%lf %lf %lf %lf\n%lf %lf %lf %lf\n"},
    {30, "ZBF : incorrect version|ZBF : header error|ZBF : read error|ZBF : write error|"
         "ZBF : incorrect size|ZBF : unknown error"},
    {41, "Compressor Error"},
    {42, "Compressor failed to write AVI file!"},
    {44, "AVI files (*.avi)|*.avi|"},
    {45, "Autodesk FLIC (*.fli;*.flc)|*.fli;*.flc|"},
};

vyx::Module BaseModule = {"VYX_BASE", BaseTexts, std::size(BaseTexts), nullptr};

} // namespace

namespace vyx {
HINSTANCE BaseModuleHandle = &BaseModule;
} // namespace vyx

unsigned GBaseMessageLoader(unsigned id, char *buffer, unsigned size, void *) {
  return vyx::LoadNumberedText(vyx::BaseModuleHandle, id, buffer, size);
}
