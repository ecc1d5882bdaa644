//===- gio.cpp - The abstract byte device --------------------------------===//

#include "io/gio.h"

GIO::~GIO() = default;

long GIO::gtell() { return gseek(0, IO_CURRENT); }

void GIO::flush() {}
