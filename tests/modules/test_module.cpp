//===- test_module.cpp - A module loaded by the tests ---------------------===//
//
// Exports one function and a table of numbered texts, deliberately out of
// id order.

#include "platform/module_handle.h"

#include <cstddef>

#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))

MODULE_EXPORT int vyx_test_module_answer() { return 42; }

MODULE_EXPORT const vyx::NumberedText vyx_numbered_texts[] = {
    {7, "seventh text"},
    {2, "second text"},
    {30, "thirtieth text"},
};

MODULE_EXPORT const std::size_t vyx_numbered_text_count =
    sizeof vyx_numbered_texts / sizeof vyx_numbered_texts[0];
